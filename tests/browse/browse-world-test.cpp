// Browsing real servers the test starts: nginx's autoindex, pyftpdlib with
// and without MLSD, and python's https server each list exactly the tree
// the test built; then the limits, robots.txt, Stop and hostile servers.

#include <set>

#include "app/session-fixture.h"
#include "browse/browse-crawl.h"
#include "results/result-actions.h"
#include "support/ftp-world.h"
#include "support/nginx-world.h"
#include "support/tls-world.h"

namespace velmora {
namespace {

using test::PageBehavior;

// Records what a browse reports.
class BrowseObserver : public test::RecordingObserver {
public:
    std::vector<std::string> listed;
    std::vector<BrowseSkip> skipped;
    std::optional<BrowseSummary> ended;
    void BrowseListed(const BrowseListing& listing) override { listed.push_back(listing.url); }
    void BrowseSkipped(const BrowseSkip& skip) override { skipped.push_back(skip); }
    void BrowseEnded(const BrowseSummary& summary) override { ended = summary; }
};

class BrowseWorldTest : public test::SessionTest {
protected:
    test::TempDir tree;
    BrowseObserver browsed;
    BrowseLimits limits;

    void SetUp() override
    {
        Reopen();
        limits.delayFactor = 0;
        limits.lowSpeedSeconds = 2;
        limits.connectTimeoutSeconds = 5;
    }

    // A fresh session with no results.
    void Reopen()
    {
        Open({});
        session->SetObserver(&browsed);
        browsed = BrowseObserver();
    }

    void Put(const std::string& path, const std::string& text)
    {
        const std::filesystem::path file = tree.Path() + path;
        std::filesystem::create_directories(file.parent_path());
        test::WriteFile(file.string(), text);
    }

    // Five levels, names that need encoding, an empty folder and a file at
    // the root that a browse starting lower must not see.
    void BuildTree()
    {
        Put("/outside.txt", "no");
        Put("/pub/a.txt", "12345");
        Put("/pub/b c.bin", std::string(1000, 'b'));
        Put("/pub/caf\xC3\xA9 & #1.txt", "x");
        Put("/pub/sub/d.txt", "dd");
        Put("/pub/sub/deeper/e.txt", "eee");
        Put("/pub/sub/deeper/x/f.txt", "ffff");
        Put("/pub/sub/deeper/x/y/g.txt", "g");
        std::filesystem::create_directories(tree.Path() + "/pub/empty");
    }

    // Browses from a result URL until the browse ends.
    bool Browse(const std::string& url, bool fromRoot = false)
    {
        const auto start = MakeResultEntry(url, 0);
        if (!start || !session->OnBrowse(*start, fromRoot, limits))
            return false;
        return PumpUntil([&] { return !session->IsBrowseRunning(); }, std::chrono::seconds(60));
    }

    // Every result's path, with its size when it has one.
    std::map<std::string, std::optional<std::uint64_t>> Found()
    {
        std::map<std::string, std::optional<std::uint64_t>> found;
        const ResultList& results = session->GetResults();
        for (std::size_t i = 0; i < results.GetCount(); ++i) {
            const ResultEntry entry = results.Get(static_cast<ResultId>(i));
            found[entry.path] = entry.size;
            EXPECT_TRUE(entry.listed);
            EXPECT_EQ(entry.description, "Listed from the server's directory");
        }
        return found;
    }

    std::set<std::string> Paths()
    {
        std::set<std::string> paths;
        for (const auto& [path, size] : Found())
            paths.insert(path);
        return paths;
    }

    std::vector<std::string> SkipReasons()
    {
        std::vector<std::string> reasons;
        for (const BrowseSkip& skip : browsed.skipped)
            reasons.push_back(skip.url + " " + skip.reason);
        return reasons;
    }
};

const std::set<std::string> kTreeToDepth2 = {"/pub/a.txt", "/pub/b c.bin", "/pub/caf\xC3\xA9 & #1.txt",
                                             "/pub/sub/d.txt", "/pub/sub/deeper/e.txt"};

TEST_F(BrowseWorldTest, NginxAutoindexListsTheTreeBelowTheStartWithSizesAndDates)
{
    BuildTree();
    test::NginxServer nginx(tree.Path());
    ASSERT_TRUE(nginx.IsRunning()) << "nginx did not start";
    limits.depth = 2;
    ASSERT_TRUE(Browse(nginx.Url("/pub/a.txt")));
    EXPECT_EQ(Paths(), kTreeToDepth2);
    const auto found = Found();
    EXPECT_EQ(found.at("/pub/b c.bin"), 1000u);
    EXPECT_EQ(found.at("/pub/a.txt"), 5u);
    const ResultEntry first = session->GetResults().Get(0);
    ASSERT_TRUE(first.modified.has_value());
    EXPECT_LT(std::abs(*first.modified - static_cast<std::int64_t>(std::time(nullptr))), 3600 * 26);
    ASSERT_TRUE(browsed.ended.has_value());
    EXPECT_TRUE(browsed.ended->startListed);
    EXPECT_EQ(browsed.ended->directories, 4u) << "pub, sub, empty and deeper";
    EXPECT_EQ(SkipReasons(), (std::vector<std::string>{nginx.Url("/pub/sub/deeper/x/") +
                                                       " It lies deeper than 2 levels below the start."}));
    EXPECT_EQ(session->GetServers().GetGroups()[kGroupHttp].servers.size(), 1u);
    EXPECT_EQ(session->GetActiveThreads(), 0);
}

TEST_F(BrowseWorldTest, OneWorkerListsEveryFolderOverOneKeptAliveConnection)
{
    BuildTree();
    test::NginxServer nginx(tree.Path(), {.logConnections = true});
    ASSERT_TRUE(nginx.IsRunning());
    limits.connections = 1;
    ASSERT_TRUE(Browse(nginx.Url("/pub/")));
    EXPECT_EQ(Paths().size(), 6u);
    std::set<std::string> connections;
    std::size_t listings = 0;
    const auto readLog = [&] {
        connections.clear();
        listings = 0;
        for (const std::string& line : nginx.AccessLog()) {
            if (line.ends_with("/robots.txt"))
                continue;
            ++listings;
            connections.insert(line.substr(0, line.find(' ')));
        }
        return listings >= 5;
    };
    // nginx logs a request once its answer is sent: the last line may come
    // a moment after the browse took that answer.
    test::WaitFor(readLog, std::chrono::seconds(5));
    EXPECT_EQ(listings, 5u) << "pub, sub, empty, deeper and x";
    EXPECT_EQ(connections.size(), 1u) << "a new connection per folder";
}

TEST_F(BrowseWorldTest, NginxJsonListingsAreReadAsListings)
{
    BuildTree();
    test::NginxServer nginx(tree.Path(), {.jsonListing = true});
    ASSERT_TRUE(nginx.IsRunning());
    limits.depth = 2;
    ASSERT_TRUE(Browse(nginx.Url("/pub/a.txt")));
    EXPECT_EQ(Paths(), kTreeToDepth2);
    EXPECT_EQ(Found().at("/pub/b c.bin"), 1000u);
    EXPECT_TRUE(session->GetResults().Get(0).modified.has_value());
}

// The same tree through FTP, with MLSD and with LIST only.
class FtpBrowseTest : public BrowseWorldTest, public ::testing::WithParamInterface<test::FtpTestServer::Listing> {};

TEST_P(FtpBrowseTest, ListsTheTreeWithSizes)
{
    BuildTree();
    test::FtpTestServer ftp(tree.Path(), GetParam());
    ASSERT_TRUE(ftp.IsRunning());
    limits.depth = 2;
    ASSERT_TRUE(Browse(ftp.Url("/pub/")));
    EXPECT_EQ(Paths(), kTreeToDepth2);
    const auto found = Found();
    EXPECT_EQ(found.at("/pub/b c.bin"), 1000u);
    EXPECT_EQ(found.at("/pub/sub/deeper/e.txt"), 3u);
    for (std::size_t i = 0; i < session->GetResults().GetCount(); ++i)
        EXPECT_TRUE(session->GetResults().Get(static_cast<ResultId>(i)).modified.has_value());
    EXPECT_EQ(SkipReasons().size(), 1u);
    EXPECT_EQ(session->GetServers().GetGroups()[kGroupFtp].servers.size(), 1u);

    // A login of its own is used, and kept on every result.
    Reopen();
    limits.depth = 0;
    ASSERT_TRUE(Browse(ftp.Url("/pub/a.txt", "joe:s3cret")));
    EXPECT_EQ(Paths(), (std::set<std::string>{"/pub/a.txt", "/pub/b c.bin", "/pub/caf\xC3\xA9 & #1.txt"}));
    EXPECT_EQ(session->GetResults().Get(0).user, "joe");
    EXPECT_EQ(session->GetResults().Get(0).password, "s3cret");
}

INSTANTIATE_TEST_SUITE_P(Listings, FtpBrowseTest,
                         ::testing::Values(test::FtpTestServer::Listing::Mlsd, test::FtpTestServer::Listing::ListOnly));

TEST_F(BrowseWorldTest, HttpsIndexPagesOfPythonsServer)
{
    BuildTree();
    test::TrustTestAuthority trust;
    test::HttpsServer https(tree.Path());
    ASSERT_TRUE(https.IsRunning());
    limits.depth = 2;
    ASSERT_TRUE(Browse(https.Url("/pub/")));
    EXPECT_EQ(Paths(), kTreeToDepth2);
    EXPECT_FALSE(Found().at("/pub/a.txt").has_value()) << "python's index gives no sizes";
}

TEST_F(BrowseWorldTest, TheCapStopsTheBrowseAndSaysWhatWasLeft)
{
    BuildTree();
    test::NginxServer nginx(tree.Path());
    ASSERT_TRUE(nginx.IsRunning());
    limits.maxFiles = 4;
    ASSERT_TRUE(Browse(nginx.Url("/pub/")));
    EXPECT_EQ(Paths().size(), 4u);
    ASSERT_TRUE(browsed.ended.has_value());
    EXPECT_EQ(browsed.ended->files, 4u);
    ASSERT_FALSE(browsed.skipped.empty());
    EXPECT_EQ(browsed.skipped.back().reason.rfind("The cap of 4 files was reached; ", 0), 0u);
}

TEST_F(BrowseWorldTest, RobotsTxtIsHonouredAndItsCrawlDelayKept)
{
    BuildTree();
    Put("/robots.txt", "User-agent: *\nDisallow: /pub/sub/\nCrawl-delay: 0.2\n");
    test::NginxServer nginx(tree.Path());
    ASSERT_TRUE(nginx.IsRunning());
    const auto began = std::chrono::steady_clock::now();
    ASSERT_TRUE(Browse(nginx.Url("/pub/")));
    EXPECT_EQ(Paths(), (std::set<std::string>{"/pub/a.txt", "/pub/b c.bin", "/pub/caf\xC3\xA9 & #1.txt"}));
    EXPECT_EQ(SkipReasons(),
              (std::vector<std::string>{nginx.Url("/pub/sub/") + " robots.txt asks robots not to list it."}));
    // Two listings (pub and empty) with the asked pause between them.
    EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(200));
}

TEST_F(BrowseWorldTest, ABucketListingIsBrowsedFolderByFolderByPrefix)
{
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ListBucketResult "
                             "xmlns=\"http://s3.amazonaws.com/doc/2006-03-01/\"><Name>mirror</Name>";
    server.Route("/", {PageBehavior::Kind::Serve,
                       head + "<Contents><Key>README.txt</Key><Size>12</Size></Contents>"
                              "<Contents><Key>music/a.ogg</Key><Size>1</Size></Contents></ListBucketResult>",
                       200,
                       {},
                       0,
                       false,
                       "Content-Type: application/xml\r\n"});
    server.Route("/?delimiter=%2F&prefix=music%2F",
                 {PageBehavior::Kind::Serve,
                  head + "<Prefix>music/</Prefix><Contents><Key>music/a.ogg</Key><Size>1</Size></Contents>"
                         "<CommonPrefixes><Prefix>music/live%26more/</Prefix></CommonPrefixes></ListBucketResult>",
                  200,
                  {},
                  0,
                  false,
                  "Content-Type: application/xml\r\n"});
    server.Route("/?delimiter=%2F&prefix=music%2Flive%2526more%2F",
                 {PageBehavior::Kind::Serve,
                  head + "<Contents><Key>music/live%26more/b.flac</Key><Size>2</Size></Contents></ListBucketResult>",
                  200,
                  {},
                  0,
                  false,
                  "Content-Type: application/xml\r\n"});
    ASSERT_TRUE(Browse(server.Url("/README.txt")));
    EXPECT_EQ(Found(), (std::map<std::string, std::optional<std::uint64_t>>{
                           {"/README.txt", 12}, {"/music/a.ogg", 1}, {"/music/live%26more/b.flac", 2}}))
        << "each folder is asked of the bucket's root, its name encoded for the query";
    EXPECT_TRUE(browsed.skipped.empty()) << SkipReasons().front();
}

TEST_F(BrowseWorldTest, ABucketListingInPagesIsReadPageByPageByMarker)
{
    const auto bucket = [](const std::string& body) {
        return PageBehavior{PageBehavior::Kind::Serve,
                            "<?xml version=\"1.0\"?><ListBucketResult>" + body + "</ListBucketResult>"};
    };
    // The root, asked without a delimiter, gives no NextMarker: its last key
    // is the marker.
    server.Route("/", bucket("<IsTruncated>true</IsTruncated><Contents><Key>a.txt</Key><Size>1</Size></Contents>"
                             "<Contents><Key>music/a.ogg</Key><Size>2</Size></Contents>"));
    server.Route("/?marker=music%2Fa.ogg",
                 bucket("<IsTruncated>false</IsTruncated><Contents><Key>z.txt</Key><Size>3</Size></Contents>"));
    server.Route("/?delimiter=%2F&prefix=music%2F",
                 bucket("<IsTruncated>true</IsTruncated><NextMarker>music/b.ogg</NextMarker>"
                        "<Contents><Key>music/a.ogg</Key><Size>2</Size></Contents>"
                        "<Contents><Key>music/b.ogg</Key><Size>4</Size></Contents>"));
    server.Route("/?delimiter=%2F&prefix=music%2F&marker=music%2Fb.ogg",
                 bucket("<IsTruncated>true</IsTruncated><NextMarker>music/b.ogg</NextMarker>"
                        "<Contents><Key>music/c.ogg</Key><Size>5</Size></Contents>"));
    ASSERT_TRUE(Browse(server.Url("/a.txt")));
    EXPECT_EQ(Found(),
              (std::map<std::string, std::optional<std::uint64_t>>{
                  {"/a.txt", 1}, {"/z.txt", 3}, {"/music/a.ogg", 2}, {"/music/b.ogg", 4}, {"/music/c.ogg", 5}}));
    EXPECT_EQ(SkipReasons(), (std::vector<std::string>{server.Url("/music/") +
                                                       " Its listing's pages lead back to themselves; the rest "
                                                       "were left unread."}))
        << "a marker that does not move on ends the pages";
}

TEST_F(BrowseWorldTest, ALinkThePageLeavesUnclearIsAskedOfTheServerWhetherItIsAFolder)
{
    server.Route("/pub/", {PageBehavior::Kind::Serve,
                           "<ul><li><a href=\"redirected\">redirected</a></li><li><a href=\"indexed\">indexed</a></li>"
                           "<li><a href=\"README\">README</a></li><li><a href=\"big\">big</a></li>"
                           "<li><a href=\"gone\">gone</a></li><li><a href=\"about\">about</a></li>"
                           "<li><a href=\"notes.txt\">notes.txt</a></li></ul>"});
    // A page of its own whose relative links lead beside it, not into it.
    server.Route("/pub/about", {PageBehavior::Kind::Serve, "<p>See <a href=\"contact.html\">contact</a>.</p>"});
    server.Route("/pub/redirected", {PageBehavior::Kind::Serve, "", 301, {}, 0, false, "Location: redirected/\r\n"});
    server.Route("/pub/redirected/", {PageBehavior::Kind::Serve, "<a href=\"inner.iso\">inner.iso</a>"});
    // An index page behind the link itself, its links written from the root.
    server.Route("/pub/indexed", {PageBehavior::Kind::Serve, "<a href=\"/pub/indexed/deep.bin\">deep.bin</a>"});
    server.Route("/pub/README", {PageBehavior::Kind::Serve, "Read me <b>first</b>."});
    server.Route("/pub/big", {PageBehavior::Kind::Serve, std::string(8 << 20, '\0')});
    server.Route("/pub/gone", {PageBehavior::Kind::Serve, "", 404});
    ASSERT_TRUE(Browse(server.Url("/pub/")));
    EXPECT_EQ(Paths(), (std::set<std::string>{"/pub/redirected/inner.iso", "/pub/indexed/deep.bin", "/pub/README",
                                              "/pub/big", "/pub/gone", "/pub/about", "/pub/notes.txt"}));
    const auto asked = server.RequestedPaths();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "/pub/notes.txt"), 0) << "a name with an extension is a file";
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "/pub/big"), 1);
}

TEST_F(BrowseWorldTest, ABucketListingTooLargeToBeOneIsRefusedNotKept)
{
    std::string huge = "<?xml version=\"1.0\"?><ListBucketResult>";
    while (huge.size() < (std::size_t{5} << 20))
        huge += "<Contents><Key>a-file-with-a-long-name-to-fill-the-page.bin</Key><Size>1</Size></Contents>";
    huge += "</ListBucketResult>";
    server.Route("/big/", {PageBehavior::Kind::Serve, huge});
    ASSERT_TRUE(Browse(server.Url("/big/x.bin")));
    EXPECT_TRUE(Found().empty());
    EXPECT_EQ(SkipReasons(),
              (std::vector<std::string>{server.Url("/big/") + " The bucket listing is larger than 4 MiB."}));
}

TEST_F(BrowseWorldTest, StopEndsAStalledListingAtOnceAndLateReportsAreDropped)
{
    server.Route("/slow/", {PageBehavior::Kind::Stall, "<html><a href=\"a.bin\">a</a>"});
    limits.lowSpeedSeconds = 30;
    const auto start = MakeResultEntry(server.Url("/slow/x.bin"), 0);
    ASSERT_TRUE(session->OnBrowse(*start, false, limits));
    ASSERT_TRUE(PumpUntil([&] { return server.Requests() >= 2; })) << "robots.txt, then the listing";
    EXPECT_TRUE(session->IsBrowseRunning());
    session->StopBrowse();
    EXPECT_FALSE(session->IsBrowseRunning());
    EXPECT_EQ(session->GetActiveThreads(), 0) << "the threads are given back at once";
    // The stalled worker notices within its poll and reports; nothing comes of it.
    PumpUntil([] { return false; }, std::chrono::milliseconds(600));
    EXPECT_EQ(session->GetResults().GetCount(), 0u);
    EXPECT_TRUE(browsed.listed.empty());
    EXPECT_TRUE(browsed.skipped.empty());
}

TEST_F(BrowseWorldTest, AStallMidListingIsSkippedAfterTheLowSpeedTime)
{
    server.Route("/stall/", {PageBehavior::Kind::Stall, "<html><a href=\"a.bin\">a</a>"});
    limits.lowSpeedSeconds = 1;
    ASSERT_TRUE(Browse(server.Url("/stall/")));
    // The listing was ended by the low-speed limit (the server never ends
    // it), as the reason says.
    EXPECT_EQ(session->GetResults().GetCount(), 0u);
    EXPECT_EQ(SkipReasons(), (std::vector<std::string>{server.Url("/stall/") + " The server stopped answering."}));
    ASSERT_TRUE(browsed.ended.has_value());
    EXPECT_FALSE(browsed.ended->startListed);
    EXPECT_EQ(session->GetActivityText(), "Could not browse 127.0.0.1: The server stopped answering.");
}

TEST_F(BrowseWorldTest, ADirectoryListedAsItsOwnChildIsNotEnteredAgain)
{
    // Every path below /loop/ answers the same page: a child "loop/", the
    // directory itself three ways, a parent, a sort link and one file.
    server.Route("/loop/", {PageBehavior::Kind::Serve,
                            "<a href=\"loop/\">loop/</a><a href=\"./\">.</a><a href=\"\">self</a>"
                            "<a href=\"../\">Parent</a><a href=\"?C=M;O=A\">Date</a><a href=\"f.bin\">f</a>"});
    limits.depth = 50;
    ASSERT_TRUE(Browse(server.Url("/loop/")));
    EXPECT_EQ(Paths(), (std::set<std::string>{"/loop/f.bin", "/loop/loop/f.bin"}));
    EXPECT_EQ(browsed.listed.size(), 2u) << "not fifty levels of the same page";
    EXPECT_EQ(SkipReasons(),
              (std::vector<std::string>{server.Url("/loop/loop/") + " It lists the same as " + server.Url("/loop/") +
                                        ", so its folders are not entered again."}));
}

TEST_F(BrowseWorldTest, AListingOfCountlessFoldersIsKeptWithinBounds)
{
    std::string page;
    for (int i = 0; i < 3000; ++i)
        page.append("<a href=\"d").append(std::to_string(i)).append("/\">d</a>\n");
    server.Route("/wide/", {PageBehavior::Kind::Serve, page});
    limits.depth = 0;
    limits.maxSkipReports = 100;
    ASSERT_TRUE(Browse(server.Url("/wide/")));
    ASSERT_EQ(browsed.skipped.size(), 101u) << "a hundred told one by one, the rest in one";
    EXPECT_EQ(browsed.skipped.back().reason, "2900 more of its folders lie deeper than 0 levels below the start.");

    Reopen();
    limits.depth = 1;
    limits.maxDirectories = 500;
    server.Route("/wide/d", {PageBehavior::Kind::Serve, ""});
    ASSERT_TRUE(Browse(server.Url("/wide/")));
    ASSERT_TRUE(browsed.ended.has_value());
    EXPECT_EQ(browsed.ended->directories, 500u) << "the start and 499 of its folders";
    ASSERT_FALSE(browsed.skipped.empty());
    EXPECT_EQ(browsed.skipped.front().reason,
              "2501 of its folders were left out: the browse already knows 500 folders.");
}

TEST_F(BrowseWorldTest, AListingOfAHundredThousandEntries)
{
    std::string page = "<html><body><pre>\n";
    for (int i = 0; i < 100000; ++i)
        page.append("<a href=\"f").append(std::to_string(i)).append(".bin\">f</a>\n");
    server.Route("/big/", {PageBehavior::Kind::Serve, page});
    ASSERT_TRUE(Browse(server.Url("/big/")));
    EXPECT_EQ(session->GetResults().GetCount(), 100000u);
    EXPECT_EQ(session->GetResultCount(), 100000);

    limits.maxFiles = 30000;
    Reopen();
    ASSERT_TRUE(Browse(server.Url("/big/")));
    EXPECT_EQ(session->GetResults().GetCount(), 30000u);
}

TEST_F(BrowseWorldTest, ARootThatRefusesListingFallsBackToTheResultsDirectory)
{
    server.Route("/", {PageBehavior::Kind::Serve, "no", 403});
    server.Route("/robots.txt", {PageBehavior::Kind::Serve, "", 404});
    server.Route("/pub/", {PageBehavior::Kind::Serve, "<a href=\"x.bin\">x</a><a href=\"/\">up</a>"});
    ASSERT_TRUE(Browse(server.Url("/pub/song.mp3"), true));
    EXPECT_EQ(Paths(), (std::set<std::string>{"/pub/x.bin"}));
    ASSERT_TRUE(browsed.ended.has_value());
    EXPECT_TRUE(browsed.ended->startListed);
    EXPECT_TRUE(browsed.skipped.empty()) << "the refused root is not a skip once the fallback is listed";
}

TEST_F(BrowseWorldTest, AServerThatAsksToSlowDownIsAskedAgainLaterThenSkipped)
{
    server.Route("/busy/", {PageBehavior::Kind::Serve, "busy", 503, {}, 0, false, "Retry-After: 1\r\n"});
    limits.slowDownRetries = 2;
    const auto began = std::chrono::steady_clock::now();
    ASSERT_TRUE(Browse(server.Url("/busy/")));
    EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::seconds(2));
    int listings = 0;
    for (const std::string& path : server.RequestedPaths())
        listings += path == "/busy/";
    EXPECT_EQ(listings, 3);
    ASSERT_EQ(browsed.skipped.size(), 1u);
}

TEST_F(BrowseWorldTest, FilesFoundByBrowsingPassTheWordFilterAndTheDuplicateCheck)
{
    server.Route("/pub/", {PageBehavior::Kind::Serve,
                           "<a href=\"Blue%20Moon.mp3\">1</a><a href=\"red.mp3\">2</a><a href=\"blue.txt\">3</a>"});
    test::WriteFile(dir.File("settings.dat"),
                    "[Settings]\nFilter=1\nAutoTest=0\n[Engine]\nQuery=" + server.Url("/engine?q=%s") + "\n");
    server.Route("/engine", {PageBehavior::Kind::Serve, test::Anchor(server.Url("/pub/blue.txt"))});
    session = std::make_unique<SearchSession>(dir.Path());
    session->SetObserver(&browsed);
    session->Initialize();
    ASSERT_TRUE(RunToEnd("blue"));
    ASSERT_EQ(session->GetResultCount(), 1);
    ASSERT_TRUE(Browse(server.Url("/pub/blue.txt")));
    EXPECT_EQ(session->GetResultCount(), 2) << "red.mp3 lacks the word; blue.txt was found already";
    EXPECT_EQ(session->GetResults().GetNewest(0).path, "/pub/Blue Moon.mp3");
}

TEST_F(BrowseWorldTest, RobotsTxtRedirectsAreFollowedOnlyOnTheServerItselfAndAtMostFiveTimes)
{
    const PageBehavior listing{PageBehavior::Kind::Serve, "<a href=\"a.bin\">a</a>"};
    const auto redirect = [](const std::string& to) {
        return PageBehavior{PageBehavior::Kind::Serve, "moved", 301, {}, 0, false, "Location: " + to + "\r\n"};
    };
    // Elsewhere: another server's wishes are not this one's.
    test::PageServer other;
    other.Route("/robots.txt", {PageBehavior::Kind::Serve, "User-agent: *\nDisallow: /\n"});
    server.Route("/pub/", listing);
    server.Route("/robots.txt", redirect(other.Url("/robots.txt")));
    ASSERT_TRUE(Browse(server.Url("/pub/")));
    EXPECT_EQ(Paths(), (std::set<std::string>{"/pub/a.bin"}));
    EXPECT_EQ(other.Requests(), 0) << "the redirect to another server is not followed";

    // On the server itself, five redirects are followed.
    Reopen();
    server.Route("/robots.txt", redirect("/r1"));
    for (int i = 1; i < 5; ++i)
        server.Route("/r" + std::to_string(i), redirect("/r" + std::to_string(i + 1)));
    server.Route("/r5", {PageBehavior::Kind::Serve, "User-agent: *\nDisallow: /pub/\n"});
    ASSERT_TRUE(Browse(server.Url("/pub/")));
    EXPECT_TRUE(Paths().empty());
    EXPECT_EQ(SkipReasons(),
              (std::vector<std::string>{server.Url("/pub/") + " robots.txt asks robots not to list it."}));

    // A sixth is not: the robots.txt counts as missing.
    Reopen();
    server.Route("/r5", redirect("/r6"));
    server.Route("/r6", {PageBehavior::Kind::Serve, "User-agent: *\nDisallow: /pub/\n"});
    ASSERT_TRUE(Browse(server.Url("/pub/")));
    EXPECT_EQ(Paths(), (std::set<std::string>{"/pub/a.bin"}));
}

TEST_F(BrowseWorldTest, ALargeRobotsTxtIsHonouredForItsFirst500KiB)
{
    std::string robots = "User-agent: *\nDisallow: /pub/private/\n";
    while (robots.size() < 2 * 1024 * 1024)
        robots += "# padding that makes the file larger than any robots.txt should be\n";
    robots += "Disallow: /pub/late/\n";
    server.Route("/robots.txt", {PageBehavior::Kind::Serve, robots});
    server.Route("/pub/", {PageBehavior::Kind::Serve,
                           "<a href=\"private/\">p</a><a href=\"late/\">l</a><a href=\"a.bin\">a</a>"});
    server.Route("/pub/late/", {PageBehavior::Kind::Serve, "<a href=\"b.bin\">b</a>"});
    ASSERT_TRUE(Browse(server.Url("/pub/")));
    EXPECT_EQ(SkipReasons(),
              (std::vector<std::string>{server.Url("/pub/private/") + " robots.txt asks robots not to list it."}))
        << "the first line is honoured; a rule past 500 KiB is not read";
}

TEST_F(BrowseWorldTest, ARobotsTxtThatCannotBeReadForbidsEverythingAndSaysWhy)
{
    server.Route("/pub/", {PageBehavior::Kind::Serve, "<a href=\"a.bin\">a</a>"});
    server.Route("/robots.txt", {PageBehavior::Kind::Hang, ""});
    limits.lowSpeedSeconds = 1;
    ASSERT_TRUE(Browse(server.Url("/pub/")));
    server.ReleaseHangs();
    EXPECT_TRUE(Paths().empty());
    EXPECT_EQ(SkipReasons(), (std::vector<std::string>{server.Url("/pub/") +
                                                       " The server's robots.txt could not be read, and without it "
                                                       "nothing is listed: The server stopped answering."}));

    Reopen();
    server.Route("/robots.txt", {PageBehavior::Kind::Serve, "down", 500});
    ASSERT_TRUE(Browse(server.Url("/pub/")));
    EXPECT_TRUE(Paths().empty());
    EXPECT_EQ(SkipReasons(),
              (std::vector<std::string>{server.Url("/pub/") + " The server's robots.txt could not be read (the server "
                                                              "answered 500), and without it nothing is listed."}));
}

TEST_F(BrowseWorldTest, AFolderThatRedirectsIsToldInOurOwnWords)
{
    server.Route("/robots.txt", {PageBehavior::Kind::Serve, "", 404});
    server.Route("/moved/", {PageBehavior::Kind::Serve, "moved", 301, {}, 0, false, "Location: /elsewhere/\r\n"});
    server.Route("/elsewhere/", {PageBehavior::Kind::Serve, "<a href=\"a.bin\">a</a>"});
    ASSERT_TRUE(Browse(server.Url("/moved/")));
    EXPECT_TRUE(Paths().empty());
    EXPECT_EQ(SkipReasons(),
              (std::vector<std::string>{server.Url("/moved/") + " The server sends this directory elsewhere (301)."}));
}

} // namespace
} // namespace velmora
