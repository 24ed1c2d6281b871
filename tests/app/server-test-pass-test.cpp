// A test pass over the servers a search found: order, limit, marks,
// cancelling and late verdicts. Every server is a numeric form of 127.0.0.1,
// so no name is ever looked up.

#include <cstdlib>
#include <optional>

#include "session-fixture.h"
#include "settings/profile-store.h"
#include "support/scripted-server.h"

namespace velmora {
namespace {

using test::PageBehavior;
using test::ScriptedConnection;
using test::ScriptedServer;

class ServerTestPassTest : public test::SessionTest {
protected:
    ScriptedServer ftpGood{test::FtpServer("230 Logged in\r\n")};
    ScriptedServer ftpRefuses{test::FtpServer("530 Login incorrect\r\n")};
    ScriptedServer httpGood{test::HttpServer("HTTP/1.1 200 OK")};
    ScriptedServer httpMissing{test::HttpServer("HTTP/1.1 404 Not Found")};
    std::uint16_t closedPort = test::RefusedPort();

    static std::string Link(const std::string& url) { return "<a href=\"" + url + "\">f</a>"; }

    // Three FTP servers, then two HTTP servers, each under its own name.
    void OpenFiveServers(const std::string& general)
    {
        const std::string page = Link("ftp://127.0.0.1:" + std::to_string(ftpGood.Port()) + "/pub/a.zip") +
                                 Link("ftp://127.1:" + std::to_string(ftpRefuses.Port()) + "/pub/b.zip") +
                                 Link("ftp://127.0.1:" + std::to_string(closedPort) + "/pub/c.zip") +
                                 Link("http://2130706433:" + std::to_string(httpGood.Port()) + "/d%20e.mp3") +
                                 Link("http://0x7f.1:" + std::to_string(httpMissing.Port()) + "/f.mp3");
        server.Route("/page", {PageBehavior::Kind::Serve, page});
        sessionLimits.probe.idle = std::chrono::milliseconds(500);
        sessionLimits.probe.total = std::chrono::milliseconds(2000);
        Open({{"Engine", "/page"}}, "Filter=0\n" + general);
    }

    int ServerMark(std::size_t group, std::size_t index)
    {
        return session->GetServers().GetGroups()[group].servers[index].state;
    }
};

TEST_F(ServerTestPassTest, FtpServersFirstWithinTheLimitAndEachVerdictStartsTheNext)
{
    OpenFiveServers("Maxthreads=2\n");
    // The fixture turned AutoTest off; turn it on as the menu does.
    session->OnTestResults();
    ASSERT_TRUE(session->GetViews().GetAutoTest());
    ASSERT_TRUE(RunToEnd("x"));
    // The pass started when the search ended.
    EXPECT_EQ(session->GetActiveThreads(), 2);
    EXPECT_EQ(ServerMark(kGroupFtp, 0), kStateRunning);
    EXPECT_EQ(ServerMark(kGroupFtp, 1), kStateRunning);
    EXPECT_EQ(ServerMark(kGroupFtp, 2), kStateUntested);
    EXPECT_EQ(ServerMark(kGroupHttp, 0), kStateUntested);
    ASSERT_TRUE(PumpUntil([&] { return !session->IsTestPassRunning(); }));
    EXPECT_EQ(session->GetActiveThreads(), 0);
    EXPECT_EQ(ServerMark(kGroupFtp, 0), kStateSuccess);
    EXPECT_EQ(ServerMark(kGroupFtp, 1), kStateSuccess) << "a 530 answer is good";
    EXPECT_EQ(ServerMark(kGroupFtp, 2), kStateFailure);
    EXPECT_EQ(ServerMark(kGroupHttp, 0), kStateSuccess);
    EXPECT_EQ(ServerMark(kGroupHttp, 1), kStateFailure) << "a 404 is bad";
    ASSERT_EQ(observer.verdicts.size(), 5u);
    EXPECT_EQ(observer.firstMarked, (std::vector<std::string>{"0:0", "0:1", "0:2", "1:0", "1:1"}))
        << "servers start in tree order, FTP first";
    const ServerItem& refused = session->GetServers().GetGroups()[kGroupFtp].servers[2];
    EXPECT_EQ(refused.testJob->reply, "No server found");
    // The anonymous login and the decoded path, re-encoded for the request line.
    ASSERT_TRUE(test::WaitFor([&] { return !ftpGood.Received().empty() && !httpGood.Received().empty(); }));
    EXPECT_EQ(ftpGood.Received().front(), "USER anonymous\r\nPASS velmora@example.org\r\n");
    EXPECT_EQ(httpGood.Received().front().rfind("HEAD /d%20e.mp3 HTTP/1.1\r\nHost: 2130706433\r\n", 0), 0u);
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetInt("Settings", "AutoTest", 0), 1);
}

TEST_F(ServerTestPassTest, TurningTestsOffWhileProbesRunUntestsThemAtOnce)
{
    ScriptedServer silent([](ScriptedConnection& connection) { connection.Hold(); });
    server.Route("/page",
                 {PageBehavior::Kind::Serve, Link("ftp://127.0.0.1:" + std::to_string(silent.Port()) + "/a.zip") +
                                                 Link("ftp://127.1:" + std::to_string(silent.Port()) + "/b.zip")});
    Open({{"Engine", "/page"}}, "Filter=0\n");
    ASSERT_TRUE(RunToEnd("x"));
    session->OnRetestResults();
    EXPECT_EQ(ServerMark(kGroupFtp, 0), kStateRunning);
    EXPECT_EQ(session->GetActiveThreads(), 2);
    session->OnTestResults(); // AutoTest was off in the file; this turns it on
    session->OnTestResults(); // and off again, cancelling
    EXPECT_EQ(ServerMark(kGroupFtp, 0), kStateUntested);
    EXPECT_EQ(ServerMark(kGroupFtp, 1), kStateUntested);
    EXPECT_EQ(session->GetActiveThreads(), 0);
    EXPECT_FALSE(session->IsTestPassRunning());
    EXPECT_FALSE(session->GetServers().GetGroups()[kGroupFtp].servers[0].testJob);
}

TEST_F(ServerTestPassTest, ReTestingWhileProbesRunStartsANewPassAndIgnoresTheOldVerdicts)
{
    OpenFiveServers("Maxthreads=1\n");
    ASSERT_TRUE(RunToEnd("x"));
    session->OnRetestResults();
    EXPECT_EQ(ServerMark(kGroupFtp, 0), kStateRunning);
    // Let the first probe finish its verdict without handling it yet.
    ASSERT_TRUE(test::WaitFor([&] { return session->GetQueue()->Size() > 0; }));
    session->OnRetestResults();
    EXPECT_EQ(ServerMark(kGroupFtp, 0), kStateRunning) << "the new pass reached it again";
    session->ProcessMessages(); // the old pass's verdict
    ASSERT_TRUE(PumpUntil([&] { return !session->IsTestPassRunning(); }));
    EXPECT_EQ(observer.verdicts.size(), 5u) << "one verdict per server of the new pass only";
    EXPECT_EQ(ServerMark(kGroupHttp, 1), kStateFailure);
}

TEST_F(ServerTestPassTest, NothingHappensBeforeTheFirstSearchAndLateVerdictsAfterANewOne)
{
    OpenFiveServers("Maxthreads=5\n");
    session->OnRetestResults();
    EXPECT_FALSE(session->IsTestPassRunning());
    EXPECT_EQ(session->GetActiveThreads(), 0);

    ASSERT_TRUE(RunToEnd("x"));
    session->OnRetestResults();
    ASSERT_TRUE(test::WaitFor([&] { return session->GetQueue()->Size() >= 3; }));
    session->OnSearch("x"); // clears the list while verdicts wait in the queue
    ASSERT_TRUE(PumpUntil([&] { return !session->IsSearchRunning(); }));
    EXPECT_TRUE(observer.verdicts.empty());
    EXPECT_EQ(ServerMark(kGroupFtp, 0), kStateUntested);
    EXPECT_EQ(session->GetActiveThreads(), 0);
}

// Sets an environment variable for as long as it lives.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST_F(ServerTestPassTest, InternalAddressesFromAnOutsideEngineAreNotProbedUnlessTheUserAsks)
{
    // The engine is "search.example", reached through the test's server as
    // a proxy, so it counts as outside the user's network; its page names
    // the cloud's metadata service in several spellings and a server on the
    // user's own machine.
    const ScopedEnvironment proxy("http_proxy", server.Url(""));
    const ScopedEnvironment noProxy("no_proxy", "");
    const std::string own = "http://127.0.0.1:" + std::to_string(httpGood.Port());
    server.Route("http://search.example/",
                 {PageBehavior::Kind::Serve,
                  Link("http://169.254.169.254/latest/meta-data/key.txt") + Link("http://2852039166/latest/key.txt") +
                      Link("http://[::ffff:169.254.169.254]/key.txt") +
                      Link("http://metadata.google.internal/computeMetadata/v1/a.txt") + Link(own + "/local.zip")});
    test::WriteFile(dir.File("settings.dat"),
                    "[Settings]\nFilter=0\nAutoTest=1\n[Outside]\nQuery=http://search.example/?q=%s\n");
    session = std::make_unique<SearchSession>(dir.Path());
    session->SetObserver(&observer);
    session->Initialize();
    ASSERT_TRUE(RunToEnd("key"));
    ASSERT_EQ(observer.reports.size(), 1u);
    EXPECT_EQ(std::string(HealthName(observer.reports[0].health)), "links") << observer.reports[0].reason;
    EXPECT_EQ(ServersIn(kGroupHttp), (std::vector<std::string>{own.substr(7)})) << "link-local addresses are dropped";
    PumpUntil([&] { return !session->IsTestPassRunning(); });
    EXPECT_EQ(ServerMark(kGroupHttp, 0), kStateUntested) << "the automatic pass leaves the user's machine alone";
    EXPECT_TRUE(httpGood.Received().empty());
    const ServerItem& local = session->GetServers().GetGroups()[kGroupHttp].servers[0];
    EXPECT_EQ(DescribeServerState(local.state, "", local.testOnRequest).rfind("Not tested automatically", 0), 0u);

    // Re-Test Results is the user asking.
    session->OnRetestResults();
    ASSERT_TRUE(PumpUntil([&] { return !session->IsTestPassRunning(); }));
    EXPECT_EQ(ServerMark(kGroupHttp, 0), kStateSuccess);
    // The server keeps what it got on its own thread, a moment after answering.
    EXPECT_TRUE(test::WaitFor([&] { return !httpGood.Received().empty(); }));
}

TEST_F(ServerTestPassTest, ALocalEnginesServersAreTestedAutomatically)
{
    // The engine itself is on this machine: so may its results be.
    OpenFiveServers("Maxthreads=5\n");
    session->OnTestResults();
    ASSERT_TRUE(RunToEnd("x"));
    ASSERT_TRUE(PumpUntil([&] { return !session->IsTestPassRunning(); }));
    EXPECT_EQ(ServerMark(kGroupHttp, 0), kStateSuccess);
}

} // namespace
} // namespace velmora
