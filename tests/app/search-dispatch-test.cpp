// Engines are fetched in order, within the thread limit, and each report
// moves the search on.

#include "session-fixture.h"

namespace velmora {
namespace {

using test::PageBehavior;

class SearchDispatchTest : public test::SessionTest {};

TEST_F(SearchDispatchTest, NoMoreFetchesAtOnceThanTheLimitAndEnginesInTreeOrder)
{
    server.Route("/e",
                 {PageBehavior::Kind::Serve, test::Anchor("http://h.org/a.mp3"), 200, std::chrono::milliseconds(150)});
    Open({{"E0", "/e0?q=%s"},
          {"E1", "/e1?q=%s"},
          {"Off", "/off", false},
          {"E2", "/e2?q=%s"},
          {"E3", "/e3?q=%s"},
          {"E4", "/e4?q=%s"}},
         "Maxthreads=2\n");
    session->OnSearch("a");
    EXPECT_EQ(session->GetActiveThreads(), 2);
    EXPECT_STREQ(session->GetSearchCaption(), "Stop");
    EXPECT_FALSE(session->AreSearchLockedCommandsEnabled());
    EXPECT_EQ(Mark(0), kStateRunning);
    EXPECT_EQ(Mark(3), kStateIdle) << "waits for a report, not a timer";
    ASSERT_TRUE(PumpUntil([&] { return !session->IsSearchRunning(); }));

    // The session's own count: the server may still be closing one answer
    // when the next request arrives, so its count of overlaps is no measure.
    EXPECT_EQ(observer.maxActive, 2);
    const auto paths = server.RequestedPaths();
    ASSERT_EQ(paths.size(), 5u) << "the unticked engine costs nothing";
    EXPECT_EQ(paths[4], "/e4?q=a");
    EXPECT_STREQ(session->GetSearchCaption(), "Search");
    EXPECT_TRUE(session->AreSearchLockedCommandsEnabled());
    EXPECT_EQ(session->GetActiveThreads(), 0);
    for (std::size_t i : {0u, 1u, 3u, 4u, 5u})
        EXPECT_EQ(Mark(i), kStateSuccess) << i;
    EXPECT_EQ(Mark(2), kStateIdle);
    EXPECT_EQ(observer.engineReports.size(), 5u);
}

TEST_F(SearchDispatchTest, FailedEnginesAreMarkedAndTheSearchGoesOn)
{
    server.Route("/drop", {PageBehavior::Kind::Drop});
    server.Route("/cut", {PageBehavior::Kind::CutMidway, test::Anchor("http://h.org/cut.mp3")});
    server.Route("/loop", {PageBehavior::Kind::RedirectLoop});
    server.Route("/err", {PageBehavior::Kind::Serve, test::Anchor("http://h.org/x-err.mp3"), 404});
    Open({{"Drop", "/drop"}, {"Cut", "/cut"}, {"Loop", "/loop"}, {"Error", "/err"}}, "Maxthreads=1\n");
    const std::string refused = "[Refused]\nQuery=http://127.0.0.1:" + std::to_string(test::RefusedPort()) + "/\n";
    test::WriteFile(dir.File("settings.dat"), test::ReadFile(dir.File("settings.dat")) + refused + "[Empty]\n");
    session->OnNormalSearch();
    ASSERT_TRUE(RunToEnd("x"));
    EXPECT_EQ(Mark(0), kStateFailure);
    EXPECT_EQ(Mark(1), kStateFailure) << "a page cut short is not scanned";
    EXPECT_EQ(Mark(2), kStateFailure) << "a redirect loop fails";
    EXPECT_EQ(Mark(3), kStateFailure) << "an error page is scanned, but the engine did not answer well";
    EXPECT_EQ(Mark(4), kStateFailure);
    EXPECT_EQ(Mark(5), kStateFailure) << "an empty query URL cannot be fetched";
    EXPECT_EQ(session->GetResultCount(), 1) << "the error page's link is still taken";
    EXPECT_EQ(observer.engineReports,
              (std::vector<std::string>{"Drop:4:0", "Cut:4:0", "Loop:4:0", "Error:4:1", "Refused:4:0", "Empty:4:0"}));
    std::vector<std::string> health;
    for (const EngineReport& report : observer.reports)
        health.push_back(HealthName(report.health));
    EXPECT_EQ(health,
              (std::vector<std::string>{"cut", "cut", "http-error", "http-error", "unreachable", "unreachable"}));
    EXPECT_EQ(observer.reports[3].status, 404);
    EXPECT_TRUE(observer.reports[3].scanned);
    EXPECT_FALSE(observer.reports[4].scanned);
}

TEST_F(SearchDispatchTest, HostilePagesEndInBoundedTime)
{
    server.Route("/stall", {PageBehavior::Kind::Stall, "<a href=\"http://h.org/s.mp3\">"});
    server.Route("/flood", {PageBehavior::Kind::Flood, "", 200, {}, std::size_t{40} << 20});
    server.Route("/ok", {PageBehavior::Kind::Serve, test::Anchor("http://h.org/ok.mp3")});
    sessionLimits.fetch.lowSpeedSeconds = 1;
    sessionLimits.fetch.maxBytes = std::size_t{8} << 20;
    Open({{"Stall", "/stall"}, {"Flood", "/flood"}, {"Ok", "/ok"}}, "Maxthreads=3\n");
    ASSERT_TRUE(RunToEnd("x"));
    EXPECT_EQ(Mark(0), kStateFailure) << "a server that stops sending fails";
    EXPECT_EQ(Mark(1), kStateFailure) << "a page over the cap fails";
    EXPECT_EQ(Mark(2), kStateSuccess);
}

TEST_F(SearchDispatchTest, AThreadLimitOutsideItsRangeIsClampedAndTheSearchEnds)
{
    server.Route("/e", {PageBehavior::Kind::Serve, "", 200, std::chrono::milliseconds(60)});
    for (const char* limit : {"0", "-3", "abc"}) {
        Open({{"E0", "/e0"}, {"E1", "/e1"}}, std::string("Maxthreads=") + limit + "\n");
        EXPECT_GE(session->GetMaxThreads(), 1) << limit;
        ASSERT_TRUE(RunToEnd("x")) << "Maxthreads=" << limit << " must not hang the search";
    }
    EXPECT_EQ(session->GetMaxThreads(), 5) << "a value that is no number reads as the default";
    std::vector<Engine> many;
    for (int i = 0; i < 30; ++i)
        many.push_back({"E" + std::to_string(i), "/e" + std::to_string(i)});
    Open(many, "Maxthreads=1000\n");
    EXPECT_EQ(session->GetMaxThreads(), 20);
    ASSERT_TRUE(RunToEnd("x"));
    EXPECT_LE(observer.maxActive, 20);
}

TEST_F(SearchDispatchTest, NoTickedEngineOrBlankWordsEndAtOnce)
{
    Open({{"Off", "/off", false}});
    session->OnSearch("   ");
    EXPECT_FALSE(session->IsSearchRunning());
    EXPECT_TRUE(session->GetServers().GetGroups().empty()) << "blank words start nothing";
    session->OnSearch("x");
    EXPECT_FALSE(session->IsSearchRunning()) << "no ticked engine: over inside the first dispatch";
    EXPECT_EQ(session->GetServers().GetGroups().size(), 2u);
    EXPECT_EQ(server.Requests(), 0);
}

TEST_F(SearchDispatchTest, AnEngineTickedDuringTheSearchTakesPartIfNotYetReached)
{
    server.Route("/e", {PageBehavior::Kind::Serve, "", 200, std::chrono::milliseconds(100)});
    Open({{"E0", "/e0"}, {"E1", "/e1", false}, {"E2", "/e2"}}, "Maxthreads=1\n");
    session->OnSearch("x");
    session->SetEngineCheck(1, true);
    session->SetEngineCheck(2, false);
    ASSERT_TRUE(PumpUntil([&] { return !session->IsSearchRunning(); }));
    EXPECT_EQ(server.RequestedPaths(), (std::vector<std::string>{"/e0", "/e1"}));
}

} // namespace
} // namespace velmora
