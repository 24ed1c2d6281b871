// A search kept in the searches database: reopened, it shows the same
// results, servers and verdicts without fetching anything; searched again,
// it tells new results from those it held; browsed files and a later test
// pass are kept with it.

#include "session-fixture.h"
#include "support/ftp-world.h"
#include "support/scripted-server.h"

#include <filesystem>
#include <thread>

namespace velmora {
namespace {

using test::PageBehavior;
using test::ScriptedServer;

std::string Link(const std::string& url)
{
    return "<a href=\"" + url + "\">f</a>";
}

// What a person sees of the results: every record, every server with its
// mark and reply, and which results are new.
std::vector<std::string> Snapshot(const SearchSession& session)
{
    std::vector<std::string> seen;
    const ResultList& results = session.GetResults();
    for (std::size_t id = 0; id < results.GetCount(); ++id) {
        const ResultEntry record = results.Get(static_cast<ResultId>(id));
        seen.push_back("result " + std::to_string(record.service) + " " + record.server + ":" +
                       std::to_string(record.port) + record.path + " " + record.user + " " +
                       (results.IsNew(static_cast<ResultId>(id)) ? "new" : "seen"));
    }
    for (const ServerGroup& group : session.GetServers().GetGroups())
        for (const ServerItem& item : group.servers)
            seen.push_back("server " + group.text + " " + item.text + " mark " + std::to_string(item.state) + " " +
                           session.GetServerResponse(item));
    return seen;
}

class SavedSearchSessionTest : public test::SessionTest {
protected:
    ScriptedServer ftpGood{test::FtpServer("230 Logged in\r\n")};
    ScriptedServer httpMissing{test::HttpServer("HTTP/1.1 404 Not Found")};

    void OpenSaving(const std::string& extraLinks = {})
    {
        const std::string page = Link("ftp://joe:pw@127.0.0.1:" + std::to_string(ftpGood.Port()) + "/pub/a.zip") +
                                 Link("ftp://127.0.0.1:" + std::to_string(ftpGood.Port()) + "/pub/b%20c.zip") +
                                 Link("http://127.1:" + std::to_string(httpMissing.Port()) + "/d.mp3") + extraLinks;
        server.Route("/page", {PageBehavior::Kind::Serve, page});
        sessionLimits.probe.idle = std::chrono::milliseconds(500);
        sessionLimits.probe.total = std::chrono::milliseconds(2000);
        Open({{"Engine", "/page"}}, "Filter=0\n");
        session->SetSaving(true);
    }

    // A kept search for "moon" whose engine names one file of `ftp`.
    bool SearchMoonOn(const test::FtpTestServer& ftp)
    {
        server.Route("/page", {PageBehavior::Kind::Serve, Link(ftp.Url("/pub/moon.zip"))});
        Open({{"Engine", "/page"}}, "Filter=0\n");
        session->SetSaving(true);
        return RunToEnd("moon");
    }

    bool BrowseFromTheFirstResult()
    {
        BrowseLimits limits;
        limits.delayFactor = 0;
        return session->OnBrowse(session->GetResults().Get(0), false, limits) &&
               PumpUntil([&] { return !session->IsBrowseRunning(); });
    }

    bool TestAll()
    {
        session->OnRetestResults();
        return PumpUntil([&] { return !session->IsTestPassRunning(); });
    }

    std::int64_t Latest() { return Store()->FindLatest(std::nullopt).value_or(0); }

    // The session's database; the test stops when it cannot be opened.
    SearchStore* Store()
    {
        const Result<SearchStore*> store = session->GetStore();
        if (!store)
            throw std::runtime_error(store.Why());
        return *store;
    }
};

TEST_F(SavedSearchSessionTest, AReopenedSearchShowsWhatItShowedWithoutFetching)
{
    OpenSaving();
    ASSERT_TRUE(RunToEnd("moon"));
    ASSERT_TRUE(TestAll());
    const std::vector<std::string> shown = Snapshot(*session);
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(
        std::count_if(shown.begin(), shown.end(), [](const std::string& line) { return line.ends_with(" joe new"); }),
        1)
        << "the login of a result is its own";

    // Another run of the program, whose engine no longer answers.
    session.reset();
    server.Route("/page", {PageBehavior::Kind::Serve, ""});
    OpenSaving();
    const std::int64_t id = Latest();
    ASSERT_NE(id, 0);
    const Result<SavedSearchInfo> opened = session->OpenSavedSearch(id);
    ASSERT_TRUE(opened) << opened.Why();
    EXPECT_FALSE(session->IsSearchRunning());
    EXPECT_EQ(Snapshot(*session), shown);
    EXPECT_EQ(session->GetResultCount(), 3);
    EXPECT_TRUE(session->GetActivityText().starts_with("Saved search of ")) << session->GetActivityText();
    EXPECT_EQ(session->GetFilterWords(), "moon");
    const Result<SavedSearchInfo> missing = session->OpenSavedSearch(id + 100);
    EXPECT_FALSE(missing);
    EXPECT_FALSE(missing.Why().empty());
}

TEST_F(SavedSearchSessionTest, LinksASearchStillPostsNeverJoinAReopenedOne)
{
    OpenSaving();
    ASSERT_TRUE(RunToEnd("moon"));
    const std::int64_t id = Latest();
    const std::vector<std::string> shown = Snapshot(*session);
    server.Route("/page", {PageBehavior::Kind::Serve, Link("http://127.1/other/x.mp3") + Link("http://127.1/y.mp3")});
    session->OnSearch("sun");
    // The page is read and its links wait in the queue while the user
    // reopens the saved search.
    ASSERT_TRUE(test::WaitFor([&] { return session->GetQueue()->Size() >= 2; }))
        << "both links of the new search were posted";
    const Result<SavedSearchInfo> opened = session->OpenSavedSearch(id);
    ASSERT_TRUE(opened) << opened.Why();
    PumpUntil([] { return false; }, std::chrono::milliseconds(500));
    EXPECT_EQ(Snapshot(*session), shown);
}

TEST_F(SavedSearchSessionTest, TheSameWordsAgainMarkOnlyWhatNoEarlierSearchHeld)
{
    OpenSaving();
    ASSERT_TRUE(RunToEnd("blue moon"));
    server.Route("/page", {PageBehavior::Kind::Serve,
                           Link("ftp://127.0.0.1:" + std::to_string(ftpGood.Port()) + "/PUB/B%20C.ZIP") +
                               Link("http://127.1:" + std::to_string(httpMissing.Port()) + "/new.mp3")});
    ASSERT_TRUE(RunToEnd("  blue moon "));
    const ResultList& results = session->GetResults();
    ASSERT_EQ(results.GetCount(), 2u);
    for (ResultId id = 0; id < 2; ++id) {
        if (results.GetPath(id) == "/PUB/B C.ZIP")
            EXPECT_FALSE(results.IsNew(id)) << "held before, whatever its letter case";
        else
            EXPECT_TRUE(results.IsNew(id)) << results.GetPath(id);
    }
    // Other words are another search.
    ASSERT_TRUE(RunToEnd("moon"));
    EXPECT_TRUE(session->GetResults().IsNew(0));

    const auto listed = Store()->List();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[1].name, "blue moon");
    EXPECT_EQ(listed[2].name, "blue moon");
    EXPECT_EQ(listed[2].results, 3);
}

TEST_F(SavedSearchSessionTest, ALaterTestPassIsKeptWithTheSearchItTested)
{
    OpenSaving();
    ASSERT_TRUE(RunToEnd("moon"));
    const std::int64_t id = Latest();
    auto saved = Store()->Load(id);
    ASSERT_TRUE(saved);
    EXPECT_TRUE(saved->verdicts.empty());
    ASSERT_TRUE(TestAll());
    saved = Store()->Load(id);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->verdicts.size(), 2u);
    EXPECT_EQ(Latest(), id) << "the verdicts join the search, not a new one";
    for (const SavedVerdict& verdict : saved->verdicts) {
        EXPECT_EQ(verdict.good, verdict.server == "127.0.0.1:" + std::to_string(ftpGood.Port()))
            << verdict.server << " " << verdict.reply;
        EXPECT_GT(verdict.taken, 0);
    }
}

TEST_F(SavedSearchSessionTest, BrowsedFilesAreKeptWithTheSearchAndToldNew)
{
    test::TempDir served;
    std::filesystem::create_directories(served.File("pub/deeper"));
    test::WriteFile(served.File("pub/moon.zip"), "found by the engine");
    test::WriteFile(served.File("pub/moon-2.zip"), "listed");
    test::WriteFile(served.File("pub/deeper/moon-3.zip"), "listed too");
    test::FtpTestServer ftp(served.Path());
    ASSERT_TRUE(ftp.IsRunning());
    ASSERT_TRUE(SearchMoonOn(ftp));
    ASSERT_EQ(session->GetResultCount(), 1);
    ASSERT_TRUE(BrowseFromTheFirstResult());
    ASSERT_EQ(session->GetResultCount(), 3);

    const auto saved = Store()->Load(Latest());
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->results.size(), 3u) << "the browse joins the search it started from";
    for (const SavedResult& result : saved->results) {
        EXPECT_TRUE(result.isNew) << result.record.path;
        EXPECT_EQ(result.record.listed, result.record.path != "/pub/moon.zip") << result.record.path;
    }
    EXPECT_EQ(saved->info.results, 3);
    // The search's own result was saved before the browse told its size
    // and date: the saved one gets them too.
    EXPECT_EQ(saved->results[0].record.path, "/pub/moon.zip");
    EXPECT_EQ(saved->results[0].record.size, 19u);
    EXPECT_TRUE(saved->results[0].record.modified.has_value());
}

TEST_F(SavedSearchSessionTest, FilesBrowsedIntoAReopenedSearchAreNotToldNew)
{
    // What was new was told when the search ran; a later browse of the
    // reopened search adds files, not news.
    test::TempDir served;
    std::filesystem::create_directories(served.File("pub"));
    test::WriteFile(served.File("pub/moon.zip"), "found by the engine");
    test::WriteFile(served.File("pub/moon-2.zip"), "listed later");
    test::FtpTestServer ftp(served.Path());
    ASSERT_TRUE(ftp.IsRunning());
    ASSERT_TRUE(SearchMoonOn(ftp));
    ASSERT_TRUE(session->GetResults().IsNew(0));
    const std::int64_t id = Latest();

    // Reopened in the same session, right after a search that told news.
    const Result<SavedSearchInfo> opened = session->OpenSavedSearch(id);
    ASSERT_TRUE(opened) << opened.Why();
    EXPECT_TRUE(session->GetResults().IsNew(0)) << "as it was told when the search ran";
    ASSERT_TRUE(BrowseFromTheFirstResult());
    ASSERT_EQ(session->GetResultCount(), 2);
    EXPECT_FALSE(session->GetResults().IsNew(1)) << session->GetResults().Get(1).path;
    const auto saved = Store()->Load(id);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->results.size(), 2u);
    EXPECT_FALSE(saved->results[1].isNew);
}

TEST_F(SavedSearchSessionTest, WithSavingOffNothingIsKeptOrMarked)
{
    OpenSaving();
    session->SetSaving(false);
    ASSERT_TRUE(RunToEnd("moon"));
    EXPECT_FALSE(session->GetResults().IsNew(0));
    EXPECT_FALSE(std::filesystem::exists(dir.File("velmora.db")));
}

TEST_F(SavedSearchSessionTest, ADamagedDatabaseIsToldOnceAndTheSearchRuns)
{
    struct Told : test::RecordingObserver {
        std::vector<std::string> notSaved;
        void SearchNotSaved(const std::string& why) override { notSaved.push_back(why); }
    } told;
    test::WriteFile(dir.File("velmora.db"), std::string(4096, 'x'));
    OpenSaving();
    session->SetObserver(&told);
    ASSERT_TRUE(RunToEnd("moon"));
    EXPECT_EQ(session->GetResultCount(), 3);
    ASSERT_EQ(told.notSaved.size(), 1u);
    EXPECT_NE(told.notSaved[0].find("is damaged"), std::string::npos) << told.notSaved[0];
    EXPECT_NE(told.notSaved[0].find("This search is not saved."), std::string::npos);
    session->SetObserver(&observer);
}

} // namespace
} // namespace velmora
