// velmora-cli search against local engines, as a script runs it.

#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <regex>

#include <gtest/gtest.h>

#include "support/page-server.h"
#include "support/scripted-server.h"
#include "test-support.h"

namespace velmora {
namespace {

using test::PageBehavior;

std::string RunIn(const std::string& folder, const std::string& arguments, int& status)
{
    const std::string command = "cd '" + folder + "' && " + VELMORA_CLI_PATH + " " + arguments + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    std::size_t n = 0;
    while (pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int raw = pipe != nullptr ? ::pclose(pipe) : -1;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

class SearchCommandTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::PageServer server;
};

TEST_F(SearchCommandTest, JsonLinesFollowTheEventsInOrder)
{
    server.Route("/one",
                 {PageBehavior::Kind::Serve, "<a href=\"http://Files.org/m/blue%20moon.mp3\"><b>Blue</b> Moon</a>"
                                             "<a href=\"ftp://u:p@ftp.net:2121/pub/../blue/moon.zip\">z</a>"
                                             "<a href=\"ftp://files.org/M/BLUE%20MOON.mp3\">dup</a>"});
    test::WriteFile(dir.File("settings.dat"),
                    "[Settings]\nMaxthreads=1\n[One]\nQuery=" + server.Url("/one?q=%s") +
                        "\n[Off]\nSearch=N\nQuery=" + server.Url("/off") +
                        "\n[Dead]\nQuery=http://127.0.0.1:" + std::to_string(test::RefusedPort()) + "/\n");
    int status = -1;
    // Times vary, and so does the wording of a connection failure.
    const std::string out = std::regex_replace(std::regex_replace(RunIn(dir.Path(), "search --json Blue Moon", status),
                                                                  std::regex("\"ms\":[0-9]+"), "\"ms\":T"),
                                               std::regex("could not be reached: [^\"]*"), "could not be reached: X");
    EXPECT_EQ(status, 0);
    // The ftp link to the http file's path is the host's other server: a
    // file of its own.
    EXPECT_EQ(out,
              "{\"event\":\"result\",\"n\":1,\"service\":\"http\",\"server\":\"Files.org\",\"port\":80,"
              "\"path\":\"/m/blue moon.mp3\",\"user\":\"anonymous\",\"password\":\"velmora@example.org\","
              "\"description\":\"Blue Moon\",\"engine\":\"One\"}\n"
              "{\"event\":\"server\",\"group\":\"HTTP\",\"server\":\"Files.org\",\"service\":\"http\",\"port\":80}\n"
              "{\"event\":\"result\",\"n\":2,\"service\":\"ftp\",\"server\":\"ftp.net\",\"port\":2121,"
              "\"path\":\"/blue/moon.zip\",\"user\":\"u\",\"password\":\"p\",\"description\":\"\","
              "\"engine\":\"One\"}\n"
              "{\"event\":\"server\",\"group\":\"FTP\",\"server\":\"ftp.net\",\"service\":\"ftp\",\"port\":2121}\n"
              "{\"event\":\"result\",\"n\":3,\"service\":\"ftp\",\"server\":\"files.org\",\"port\":21,"
              "\"path\":\"/M/BLUE MOON.mp3\",\"user\":\"anonymous\",\"password\":\"velmora@example.org\","
              "\"description\":\"\",\"engine\":\"One\"}\n"
              "{\"event\":\"server\",\"group\":\"FTP\",\"server\":\"files.org\",\"service\":\"ftp\",\"port\":21}\n"
              "{\"event\":\"engine\",\"engine\":\"One\",\"mark\":\"scanned\",\"links\":3,\"health\":\"links\","
              "\"status\":200,\"anchors\":3,\"ms\":T,\"reason\":\"Scanned: 3 file links.\"}\n"
              "{\"event\":\"engine\",\"engine\":\"Dead\",\"mark\":\"failed\",\"links\":0,"
              "\"health\":\"unreachable\",\"status\":0,\"anchors\":0,\"ms\":T,"
              "\"reason\":\"The engine could not be reached: X\"}\n"
              "{\"event\":\"done\",\"results\":3,\"servers\":3}\n");
    EXPECT_EQ(server.RequestedPaths(), (std::vector<std::string>{"/one?q=blue+moon"}));
}

TEST_F(SearchCommandTest, UsageErrorsAndAnEmptyFolder)
{
    int status = -1;
    RunIn(dir.Path(), "search", status);
    EXPECT_EQ(status, 2);
    RunIn(dir.Path(), "search --bogus x", status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(RunIn(dir.Path(), "search --json x", status), "{\"event\":\"done\",\"results\":0,\"servers\":0}\n");
    EXPECT_EQ(status, 0);
}

TEST_F(SearchCommandTest, InterruptStopsTheSearchAndEndsWithWhatWasFound)
{
    server.Route("/fast", {PageBehavior::Kind::Serve, "<a href=\"ftp://h.net/x.zip\">x</a>"});
    server.Route("/hang", {PageBehavior::Kind::Hang});
    test::WriteFile(dir.File("settings.dat"),
                    "[Fast]\nQuery=" + server.Url("/fast") + "\n[Hang]\nQuery=" + server.Url("/hang") + "\n");
    const std::string output = dir.File("out.txt");
    const std::string command = "cd '" + dir.Path() + "' && exec " + VELMORA_CLI_PATH + " search --json x > " + output;
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_TRUE(test::WaitFor([&] { return server.Requests() == 2; }));
    ASSERT_TRUE(test::WaitFor([&] { return test::ReadFile(output).find("scanned") != std::string::npos; }));
    ::kill(child, SIGINT);
    int raw = 0;
    ASSERT_TRUE(test::WaitFor([&] { return ::waitpid(child, &raw, WNOHANG) == child; }));
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
    const std::string out = test::ReadFile(output);
    EXPECT_NE(out.find("\"path\":\"/x.zip\""), std::string::npos);
    EXPECT_TRUE(out.ends_with("{\"event\":\"done\",\"results\":1,\"servers\":1}\n")) << out;
}

TEST_F(SearchCommandTest, TestWaitsForAVerdictOfEveryServer)
{
    test::ScriptedServer ftp(test::FtpServer("530 Login incorrect\r\n"));
    test::ScriptedServer http(test::HttpServer("HTTP/1.1 200 OK"));
    const std::uint16_t refused = test::RefusedPort();
    server.Route("/page", {PageBehavior::Kind::Serve,
                           "<a href=\"ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/a.zip\">a</a>" +
                               "<a href=\"http://127.1:" + std::to_string(http.Port()) + "/b.mp3\">b</a>" +
                               "<a href=\"ftp://127.0.1:" + std::to_string(refused) + "/c.zip\">c</a>"});
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nFilter=0\n[E]\nQuery=" + server.Url("/page") + "\n");
    int status = -1;
    const std::string out = RunIn(dir.Path(), "search --json --test x", status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(
        out.find("{\"event\":\"verdict\",\"group\":\"FTP\",\"server\":\"127.0.0.1\",\"service\":\"ftp\",\"port\":" +
                 std::to_string(ftp.Port()) +
                 ",\"verdict\":\"good\","
                 "\"reply\":\"220 Welcome to the test server\\r\\n331 Password required\\r\\n530 Login "
                 "incorrect\\r\\n\"}\n"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("{\"event\":\"verdict\",\"group\":\"FTP\",\"server\":\"127.0.1\",\"service\":\"ftp\",\"port\":" +
                       std::to_string(refused) +
                       ",\"verdict\":\"bad\","
                       "\"reply\":\"No server found\"}\n"),
              std::string::npos);
    EXPECT_NE(out.find("\"group\":\"HTTP\",\"server\":\"127.1\",\"service\":\"http\",\"port\":" +
                       std::to_string(http.Port()) + ",\"verdict\":\"good\""),
              std::string::npos);
    EXPECT_TRUE(out.ends_with("{\"event\":\"done\",\"results\":3,\"servers\":3}\n"));
}

TEST_F(SearchCommandTest, WithoutTestNoServerIsProbedWhateverAutoTestSays)
{
    test::ScriptedServer ftp(test::FtpServer("230 Logged in\r\n"));
    server.Route("/page", {PageBehavior::Kind::Serve,
                           "<a href=\"ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/a.zip\">a</a>"});
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nAutoTest=1\n[E]\nQuery=" + server.Url("/page") + "\n");
    int status = -1;
    const std::string out = RunIn(dir.Path(), "search --json x", status);
    EXPECT_EQ(out.find("verdict"), std::string::npos);
    EXPECT_TRUE(ftp.Received().empty());
}

} // namespace
} // namespace velmora
