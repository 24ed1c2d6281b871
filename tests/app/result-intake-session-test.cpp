// Found links become results, servers and counts as a search runs.

#include "results/result-view.h"
#include "session-fixture.h"
#include "settings/profile-store.h"

namespace velmora {
namespace {

using test::Anchor;
using test::PageBehavior;

class ResultIntakeSessionTest : public test::SessionTest {};

TEST_F(ResultIntakeSessionTest, AHostsFtpAndHttpServersAreTwoServersEachWithItsFiles)
{
    server.Route("/page", {PageBehavior::Kind::Serve,
                           Anchor("http://Mixed.org/song/x.mp3") + Anchor("ftp://mixed.org/song/y.mp3") +
                               Anchor("ftp://ftp.only.net/song/z.mp3") + Anchor("http://MIXED.org/SONG/X.MP3") +
                               Anchor("ftp://mixed.org/song/x.mp3")});
    Open({{"Engine", "/page"}});
    ASSERT_TRUE(RunToEnd("song"));
    // All http links of a page come before its ftp links; a repeat on one
    // server is dropped, the same path on the host's other server is not.
    EXPECT_EQ(ServersIn(kGroupHttp), (std::vector<std::string>{"Mixed.org"}));
    EXPECT_EQ(ServersIn(kGroupFtp), (std::vector<std::string>{"mixed.org", "ftp.only.net"}));
    EXPECT_EQ(session->GetResultCount(), 4);
    EXPECT_EQ(observer.lastCount, 4);
    EXPECT_EQ(session->GetResults().GetServerRecords("mixed.org").size(), 1u);
    EXPECT_EQ(session->GetResults().GetServerRecords("ftp://mixed.org").size(), 2u);
    EXPECT_EQ(static_cast<int>(session->GetResults().GetCount()), session->GetResultCount());
    EXPECT_EQ(observer.engineReports, (std::vector<std::string>{"Engine:3:5"}));
}

TEST_F(ResultIntakeSessionTest, TheFilterKeepsPathsHoldingEveryWord)
{
    server.Route("/page", {PageBehavior::Kind::Serve, Anchor("http://h.org/Music/DEF-abc.mp3") +
                                                          Anchor("http://h.org/music/abc.mp3") +
                                                          Anchor("http://abc.def.org/x.mp3")});
    Open({{"Engine", "/page"}});
    ASSERT_TRUE(RunToEnd("  ABC def "));
    EXPECT_EQ(session->GetFilterWords(), "abc+def");
    EXPECT_EQ(session->GetResultCount(), 1);
    EXPECT_EQ(session->GetResults().GetNewest(0).path, "/Music/DEF-abc.mp3");

    test::WriteFile(dir.File("settings.dat"),
                    "[Settings]\nFilter=0\nAutoTest=0\n[Engine]\nQuery=" + server.Url("/page") + "\n");
    session = std::make_unique<SearchSession>(dir.Path());
    session->Initialize();
    ASSERT_TRUE(RunToEnd("abc def"));
    EXPECT_EQ(session->GetResultCount(), 3);
}

TEST_F(ResultIntakeSessionTest, TheEngineGetsEncodedWordsAndTheFilterThePlainOnes)
{
    server.Route(
        "/q", {PageBehavior::Kind::Serve, Anchor("http://h.org/c++/R&B%20hits.mp3") + Anchor("http://h.org/c/rb.mp3")});
    Open({{"Engine", "/q?q=%s&kind=file"}});
    ASSERT_TRUE(RunToEnd("C++ r&b"));
    const auto paths = server.RequestedPaths();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], "/q?q=c%2B%2B+r%26b&kind=file");
    EXPECT_EQ(session->GetResultCount(), 1) << "the filter looks for the plain words";
    EXPECT_EQ(session->GetResults().GetNewest(0).path, "/c++/R&B hits.mp3");
}

TEST_F(ResultIntakeSessionTest, ANewSearchClearsResultsServersAndMarks)
{
    server.Route("/page", {PageBehavior::Kind::Serve, Anchor("http://h.org/a.mp3")});
    Open({{"Engine", "/page"}});
    ASSERT_TRUE(RunToEnd("a"));
    ASSERT_EQ(session->GetResultCount(), 1);
    session->OnSearch("a");
    EXPECT_EQ(session->GetResultCount(), 0);
    EXPECT_TRUE(ServersIn(kGroupHttp).empty());
    EXPECT_EQ(Mark(0), kStateRunning);
    ASSERT_TRUE(PumpUntil([&] { return !session->IsSearchRunning(); }));
    EXPECT_EQ(session->GetResultCount(), 1) << "the same link counts again in a new search";
}

TEST_F(ResultIntakeSessionTest, RefreshingShowsTheSelectedServersFilesAndLogin)
{
    server.Route("/page", {PageBehavior::Kind::Serve,
                           Anchor("ftp://joe:pw@ftp.net:2121/pub/a.zip") + Anchor("ftp://h.org/x/b.zip")});
    Open({{"Engine", "/page"}}, "Filter=0\n");
    ASSERT_TRUE(RunToEnd("x"));
    const auto& ftp = session->GetServers().GetGroups()[kGroupFtp].servers;
    ASSERT_EQ(ftp.size(), 2u);
    const auto named = session->RefreshResults(ftp[0].handle);
    ASSERT_TRUE(named.hasDetails);
    EXPECT_EQ(named.details.address, "ftp.net");
    EXPECT_EQ(named.details.port, "2121");
    EXPECT_EQ(named.details.user, "joe");
    EXPECT_EQ(named.details.password, "pw");
    EXPECT_EQ(named.details.response, "") << "an untested server shows no reply";
    EXPECT_EQ(named.server, "ftp://ftp.net:2121");
    EXPECT_EQ(ftp[0].text, "ftp.net:2121") << "a port that is not the usual one is part of the name";
    ResultsView view;
    view.Build(session->GetResults(), named.server, {kViewList});
    ASSERT_EQ(view.GetRowCount(ResultsView::kRoot), 1u);
    EXPECT_EQ(session->GetResults().GetName(view.GetChild(ResultsView::kRoot, 0)), "a.zip");
    const auto anonymous = session->RefreshResults(ftp[1].handle);
    EXPECT_EQ(anonymous.details.user, "anonymous");
    EXPECT_EQ(anonymous.details.password, "velmora@example.org");
    EXPECT_FALSE(session->RefreshResults(0).hasDetails) << "a group root shows nothing";

    session->GetViews().SetViewStyle(3);
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetInt("Settings", "ViewStyle", 0), 3);
    session->GetViews().FlipFilterResults();
    EXPECT_TRUE(session->GetViews().GetFilterResults());
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetInt("Settings", "Filter", 0), 1);
}

TEST_F(ResultIntakeSessionTest, NothingIsListedBeforeTheFirstSearch)
{
    Open({{"Engine", "/page"}});
    EXPECT_FALSE(session->RefreshResults(1).hasDetails);
    EXPECT_EQ(session->RefreshResults(1).server, "");
}

} // namespace
} // namespace velmora
