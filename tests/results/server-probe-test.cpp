// Probes against servers on 127.0.0.1 that answer well, badly or not at all.

#include "results/server-probe.h"

#include "results/server-tree.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/message-queue.h"
#include "support/scripted-server.h"
#include "test-support.h"

namespace velmora {
namespace {

using test::ScriptedConnection;
using test::ScriptedServer;

struct ProbeRun {
    bool posted = false;
    int verdict = kVerdictPending;
    std::string reply;
    std::string why;
    std::chrono::milliseconds took{0};
};

ProbeRun Probe(std::uint16_t port, bool isFtp, const std::string& path = "/file.mp3", const char* user = "anonymous",
               const char* password = "velmora@example.org")
{
    auto job = std::make_shared<TestJob>();
    job->id = 5;
    job->server = "127.0.0.1";
    job->port = port;
    job->isFtp = isFtp;
    job->path = path;
    job->user = user;
    job->password = password;
    job->queue = std::make_shared<MessageQueue>();
    job->limits.connect = std::chrono::milliseconds(2000);
    job->limits.idle = std::chrono::milliseconds(400);
    job->limits.total = std::chrono::milliseconds(1500);
    const auto start = std::chrono::steady_clock::now();
    TestThreadProc(job);
    ProbeRun run;
    run.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (auto message = job->queue->TryTake()) {
        run.posted = message->id == kMsgTestDone && message->jobId == 5 && message->record == job;
        run.verdict = job->verdict;
        run.reply = job->reply;
        run.why = job->why;
    }
    return run;
}

TEST(ServerProbeTest, AnFtpServerThatAnswersTheLoginIsGoodEvenWhenItRefuses)
{
    for (const char* answer : {"230 Logged in\r\n", "530 Login incorrect\r\n", "221 Bye\r\n"}) {
        ScriptedServer server(test::FtpServer(answer));
        const ProbeRun run = Probe(server.Port(), true, "/", "joe", "secret");
        EXPECT_TRUE(run.posted) << answer;
        EXPECT_EQ(run.verdict, kVerdictGood) << answer;
        EXPECT_EQ(run.reply, std::string("220 Welcome to the test server\r\n331 Password required\r\n") + answer);
        ASSERT_TRUE(test::WaitFor([&] { return !server.Received().empty(); }));
        EXPECT_EQ(server.Received().front(), "USER joe\r\nPASS secret\r\n");
    }
}

TEST(ServerProbeTest, FtpWithoutOneOfTheCodesIsBadAndEndsInBoundedTime)
{
    ScriptedServer closes(test::FtpServer("500 What?\r\n"));
    EXPECT_EQ(Probe(closes.Port(), true).verdict, kVerdictBad) << "no code after PASS";
    ScriptedServer greetsThenSilent([](ScriptedConnection& connection) {
        connection.Send("220 hello\r\n");
        connection.Hold();
    });
    const ProbeRun silent = Probe(greetsThenSilent.Port(), true);
    EXPECT_EQ(silent.verdict, kVerdictBad);
    EXPECT_EQ(silent.reply, "220 hello\r\n") << "the reply holds what arrived";
    EXPECT_LT(silent.took, std::chrono::seconds(5));
}

TEST(ServerProbeTest, DrippingAndFloodingServersAreCutOff)
{
    ScriptedServer drips([](ScriptedConnection& connection) {
        while (!connection.Closing() && connection.Send("2"))
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    const ProbeRun dripped = Probe(drips.Port(), true);
    EXPECT_EQ(dripped.verdict, kVerdictBad);
    EXPECT_LT(dripped.took, std::chrono::seconds(5));
    EXPECT_FALSE(dripped.reply.empty());

    ScriptedServer floods([](ScriptedConnection& connection) {
        const std::string garbage(1 << 20, '\x9c');
        for (int i = 0; i < 50 && connection.Send(garbage); ++i) {
        }
    });
    const ProbeRun flooded = Probe(floods.Port(), false);
    EXPECT_EQ(flooded.verdict, kVerdictBad);
    EXPECT_EQ(flooded.reply.size(), std::size_t{64 * 1024}) << "the reply is capped";
}

TEST(ServerProbeTest, HttpIsGoodForAnHttp1OkStatusOfAnyMinorVersion)
{
    ScriptedServer ok(test::HttpServer("HTTP/1.1 200 OK"));
    const ProbeRun good = Probe(ok.Port(), false, "/music/blue moon%.mp3");
    EXPECT_EQ(good.verdict, kVerdictGood);
    EXPECT_EQ(good.reply.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    ASSERT_TRUE(test::WaitFor([&] { return !ok.Received().empty(); }));
    EXPECT_EQ(ok.Received().front(),
              "HEAD /music/blue%20moon%25.mp3 HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    ScriptedServer old(test::HttpServer("HTTP/1.0 200 OK"));
    EXPECT_EQ(Probe(old.Port(), false).verdict, kVerdictGood) << "an HTTP/1.0 server that has the file is good";
    for (const char* status : {"HTTP/1.1 404 Not Found", "HTTP/1.1 2000 Odd", "HTTP/1.x 200 OK"}) {
        ScriptedServer server(test::HttpServer(status));
        EXPECT_EQ(Probe(server.Port(), false).verdict, kVerdictBad) << status;
    }
    ScriptedServer silent([](ScriptedConnection& connection) { connection.Hold(); });
    const ProbeRun quiet = Probe(silent.Port(), false);
    EXPECT_EQ(quiet.verdict, kVerdictBad);
    EXPECT_EQ(quiet.reply, "");
}

TEST(ServerProbeTest, NoServerAtThePortIsSaidSo)
{
    std::uint16_t port = 0;
    {
        ScriptedServer gone([](ScriptedConnection&) {});
        port = gone.Port();
    }
    const ProbeRun run = Probe(port, true);
    EXPECT_EQ(run.verdict, kVerdictBad);
    EXPECT_EQ(run.reply, "No server found");
    EXPECT_EQ(run.why, "Nothing answers at port " + std::to_string(port) +
                           ": the server may be down, or the port may be wrong.");
    EXPECT_EQ(DescribeServerState(kStateFailure, run.reply, false, run.why),
              "Did not answer as a working server. " + run.why + " It said: No server found");
}

TEST(ServerProbeTest, EveryBadVerdictWithoutAnAnswerSaysWhy)
{
    ScriptedServer silent([](ScriptedConnection& connection) { connection.Hold(); });
    const ProbeRun quiet = Probe(silent.Port(), true);
    EXPECT_EQ(quiet.verdict, kVerdictBad);
    EXPECT_EQ(quiet.why, "It accepted the connection but never greeted: no FTP server answers there.");
    EXPECT_EQ(DescribeServerState(kStateFailure, quiet.reply, false, quiet.why),
              "Did not answer as a working server. It accepted the connection but never greeted: no FTP server "
              "answers there.");
    ScriptedServer full([](ScriptedConnection& connection) {
        connection.Send("220 ProFTPD Server ready\r\n");
        connection.ReadUntil("\r\n");
    });
    const ProbeRun closed = Probe(full.Port(), true);
    EXPECT_EQ(closed.verdict, kVerdictBad);
    EXPECT_EQ(closed.reply, "220 ProFTPD Server ready\r\n");
    EXPECT_EQ(DescribeServerState(kStateFailure, closed.reply, false, closed.why),
              "Did not answer as a working server. It greeted, then closed the connection before the login was "
              "answered: it may allow no more users now. It said: 220 ProFTPD Server ready");
    ScriptedServer hangsUp([](ScriptedConnection&) {});
    EXPECT_EQ(Probe(hangsUp.Port(), true).why,
              "It closed the connection without a greeting: no FTP server answers there.");
    EXPECT_EQ(Probe(hangsUp.Port(), false).why, "It closed the connection without an answer.");
    EXPECT_EQ(Probe(silent.Port(), false).why, "It accepted the connection but never answered the request.");
    ScriptedServer ssh([](ScriptedConnection& connection) { connection.Send("SSH-2.0-OpenSSH_9.2\r\n"); });
    EXPECT_EQ(Probe(ssh.Port(), false).why, "It did not answer as a web server: something else listens at that port.");
    ScriptedServer missing(test::HttpServer("HTTP/1.1 404 Not Found"));
    const ProbeRun notFound = Probe(missing.Port(), false);
    EXPECT_EQ(notFound.why, "") << "the status line says it";
    EXPECT_EQ(DescribeServerState(kStateFailure, notFound.reply, false, notFound.why),
              "Did not answer as a working server: HTTP/1.1 404 Not Found");
}

TEST(ServerProbeTest, AStoppedProbePostsNothing)
{
    ScriptedServer silent([](ScriptedConnection& connection) { connection.Hold(); });
    auto job = std::make_shared<TestJob>();
    job->server = "127.0.0.1";
    job->port = silent.Port();
    job->isFtp = true;
    job->queue = std::make_shared<MessageQueue>();
    std::thread worker(TestThreadProc, job);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    job->stop = true;
    worker.join();
    EXPECT_EQ(job->queue->Size(), 0u);
    EXPECT_EQ(job->verdict, kVerdictPending);
}

TEST(ServerProbeTest, RequestPathsAreEncodedWhereALineCannotCarryThem)
{
    EXPECT_EQ(EncodeRequestPath("/a b/c\xE9%?#.mp3"), "/a%20b/c%E9%25%3F%23.mp3");
    EXPECT_EQ(EncodeRequestPath("/plain/file-1_2.mp3"), "/plain/file-1_2.mp3");
    EXPECT_EQ(EncodeRequestPath("/x\r\ny"), "/x%0D%0Ay");
}

} // namespace
} // namespace velmora
