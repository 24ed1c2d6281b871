// Stop, late reports and refills: a message of a job the session no longer
// expects does only what a late message may do.

#include "session-fixture.h"
#include "support/scripted-server.h"

namespace velmora {
namespace {

using test::PageBehavior;
using test::ScriptedServer;

class SearchStopTest : public test::SessionTest {};

TEST_F(SearchStopTest, StopZeroesTheCountAtOnceAndStoppedWorkersChangeNothing)
{
    server.Route("/hang", {PageBehavior::Kind::Hang});
    server.Route("/fast", {PageBehavior::Kind::Serve, test::Anchor("http://h.org/f.mp3")});
    Open({{"Fast", "/fast"}, {"H1", "/hang1"}, {"H2", "/hang2"}, {"H3", "/hang3"}, {"Later", "/fast2"}},
         "Maxthreads=3\nFilter=0\n");
    session->OnSearch("x");
    ASSERT_TRUE(PumpUntil([&] { return Mark(0) == kStateSuccess; }));
    ASSERT_TRUE(test::WaitFor([&] { return server.Requests() == 4; }));
    EXPECT_EQ(session->GetActiveThreads(), 3);

    session->OnSearch("x");
    EXPECT_FALSE(session->IsSearchRunning());
    EXPECT_EQ(session->GetActiveThreads(), 0);
    EXPECT_EQ(Mark(0), kStateSuccess) << "a finished engine keeps its mark";
    EXPECT_EQ(Mark(1), kStateIdle);
    EXPECT_EQ(Mark(4), kStateIdle);
    // The workers see their flag without the server letting go.
    ASSERT_TRUE(PumpUntil([&] {
        const EngineList& engines = session->GetEngines();
        return !engines.GetEngineItem(1)->job && !engines.GetEngineItem(2)->job && !engines.GetEngineItem(3)->job;
    }));
    EXPECT_EQ(Mark(1), kStateIdle);
    EXPECT_EQ(session->GetActiveThreads(), 0);
    EXPECT_EQ(server.Requests(), 4) << "no engine is started after Stop";
    EXPECT_EQ(session->GetResultCount(), 1);
}

TEST_F(SearchStopTest, AReportHandledAfterStopOnlyMarksItsEngine)
{
    server.Route("/fast", {PageBehavior::Kind::Serve, test::Anchor("http://h.org/f.mp3")});
    server.Route("/hang", {PageBehavior::Kind::Hang});
    Open({{"Fast", "/fast"}, {"Hang", "/hang"}, {"Next", "/fast2"}}, "Maxthreads=2\nFilter=0\n");
    session->OnSearch("x");
    // Let the fast worker finish without handling its messages yet.
    ASSERT_TRUE(test::WaitFor([&] { return session->GetQueue()->Size() == 2; }));
    session->OnSearch("x");
    session->ProcessMessages();
    EXPECT_EQ(Mark(0), kStateSuccess);
    EXPECT_FALSE(session->GetEngines().GetEngineItem(0)->job);
    EXPECT_EQ(session->GetActiveThreads(), 0);
    EXPECT_EQ(session->GetResultCount(), 1) << "links posted before Stop are still taken in";
    EXPECT_FALSE(test::WaitFor([&] { return server.Requests() > 2; }, std::chrono::milliseconds(300)))
        << "a late report dispatches nothing";
}

TEST_F(SearchStopTest, ANewSearchRightAfterStopIsNotDisturbedByTheOldWorkers)
{
    server.Route("/q?q=old", {PageBehavior::Kind::Hang});
    server.Route("/q?q=new", {PageBehavior::Kind::Serve, test::Anchor("http://h.org/new.mp3")});
    Open({{"Engine", "/q?q=%s"}});
    session->OnSearch("old");
    ASSERT_TRUE(test::WaitFor([&] { return server.Requests() == 1; }));
    session->OnSearch("old"); // Stop
    session->OnSearch("new");
    const auto newJob = session->GetEngines().GetEngineItem(0)->job;
    ASSERT_TRUE(newJob);
    ASSERT_TRUE(PumpUntil([&] { return !session->IsSearchRunning(); }));
    EXPECT_EQ(Mark(0), kStateSuccess);
    EXPECT_EQ(session->GetResultCount(), 1);
    server.ReleaseHangs();
    // The old worker's stop report names the same engine; it must not touch it.
    EXPECT_FALSE(PumpUntil([&] { return Mark(0) != kStateSuccess; }, std::chrono::milliseconds(1500)));
    EXPECT_EQ(session->GetActiveThreads(), 0);
}

TEST_F(SearchStopTest, LinksOfAnEarlierSearchAreNotTakenIntoTheNextOne)
{
    server.Route("/q?q=old", {PageBehavior::Kind::Serve, test::Anchor("http://h.org/old.mp3")});
    server.Route("/q?q=new", {PageBehavior::Kind::Hang});
    Open({{"Engine", "/q?q=%s"}});
    session->GetViews().SetFilterForSession(false);
    session->OnSearch("old");
    ASSERT_TRUE(test::WaitFor([&] { return session->GetQueue()->Size() == 2; }));
    session->OnSearch("old"); // Stop, with the old page's link still queued
    session->OnSearch("new");
    session->ProcessMessages();
    EXPECT_EQ(session->GetResultCount(), 0);
    EXPECT_TRUE(session->IsSearchRunning()) << "the old report does not end the new search";
    session->OnSearch("new");
}

TEST_F(SearchStopTest, RefillingTheEnginesMidSearchStillLetsTheSearchEnd)
{
    server.Route("/slow",
                 {PageBehavior::Kind::Serve, test::Anchor("http://h.org/s.mp3"), 200, std::chrono::milliseconds(300)});
    Open({{"A", "/slow1"}, {"B", "/slow2"}, {"C", "/slow3"}}, "Maxthreads=2\n");
    session->OnSearch("x");
    test::WriteFile(dir.File("settings.dat"),
                    "[C]\nQuery=" + server.Url("/slow3") + "\n[D]\nQuery=" + server.Url("/slow4") + "\n");
    session->ReloadEngines();
    ASSERT_EQ(session->GetEngines().GetCount(), 2u);
    ASSERT_TRUE(PumpUntil([&] { return !session->IsSearchRunning(); }));
    EXPECT_EQ(session->GetActiveThreads(), 0);
    EXPECT_EQ(Mark(0), kStateIdle) << "reports of removed engines mark nothing";
    EXPECT_EQ(Mark(1), kStateIdle) << "the refilled list is past the dispatcher's position";
}

TEST_F(SearchStopTest, TurningTestsOffDuringASearchLeavesTheSearchsThreadsAlone)
{
    server.Route("/slow",
                 {PageBehavior::Kind::Serve, test::Anchor("http://h.org/s.mp3"), 200, std::chrono::milliseconds(300)});
    Open({{"E0", "/slow0"}, {"E1", "/slow1"}, {"E2", "/slow2"}}, "Maxthreads=2\nAutoTest=1\nFilter=0\n");
    ASSERT_TRUE(session->GetViews().GetAutoTest());
    session->OnSearch("x");
    ASSERT_EQ(session->GetActiveThreads(), 2);
    session->OnTestResults(); // "Tests > Test Results" off: cancels tests, and only tests
    EXPECT_FALSE(session->GetViews().GetAutoTest());
    EXPECT_EQ(session->GetActiveThreads(), 2) << "the two fetches still count";
    EXPECT_TRUE(session->IsSearchRunning());
    // The two workers reach the server in their own time; a third could
    // start only from the session's queue, which is not pumped here.
    EXPECT_TRUE(test::WaitFor([&] { return server.Requests() >= 2; }));
    EXPECT_EQ(server.Requests(), 2) << "no third fetch while two run";
    std::size_t reportsAtEnd = 0;
    ASSERT_TRUE(PumpUntil([&] {
        if (!session->IsSearchRunning() && reportsAtEnd == 0)
            reportsAtEnd = observer.engineReports.size();
        return !session->IsSearchRunning();
    }));
    EXPECT_EQ(reportsAtEnd, 3u) << "the search ends only after every engine reported";
    EXPECT_LE(observer.maxActive, 2) << "the session never ran more fetches than the limit";
    EXPECT_EQ(session->GetActiveThreads(), 0);
}

TEST_F(SearchStopTest, AStoppedSearchTestsNothingUntilAsked)
{
    ScriptedServer ftp(test::FtpServer("230 Logged in\r\n"));
    server.Route("/found", {PageBehavior::Kind::Serve,
                            test::Anchor("ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/pub/a.zip")});
    server.Route("/hang", {PageBehavior::Kind::Hang});
    Open({{"Found", "/found"}, {"Hangs", "/hang"}}, "Maxthreads=2\nAutoTest=1\nFilter=0\n");
    session->OnSearch("x");
    ASSERT_TRUE(PumpUntil([&] { return session->GetResultCount() == 1; }));
    session->OnSearch("x"); // the button reads Stop, as Esc does
    EXPECT_FALSE(session->IsSearchRunning());
    EXPECT_FALSE(session->IsTestPassRunning()) << "Stop means stop, whatever Test Results says";
    EXPECT_EQ(session->GetServers().GetGroups()[kGroupFtp].servers[0].state, kStateUntested);
    server.ReleaseHangs();

    session->OnRetestResults(); // asked
    ASSERT_TRUE(PumpUntil([&] { return !session->IsTestPassRunning(); }));
    EXPECT_EQ(session->GetServers().GetGroups()[kGroupFtp].servers[0].state, kStateSuccess);
}

} // namespace
} // namespace velmora
