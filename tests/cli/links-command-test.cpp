// velmora-cli links, run as a script would run it.

#include <sys/wait.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "test-support.h"

namespace velmora {
namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun RunCli(const std::string& arguments)
{
    CliRun run;
    FILE* pipe = ::popen((std::string(VELMORA_CLI_PATH) + " " + arguments + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class LinksCommandTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(LinksCommandTest, JsonLinesListHttpThenFtpThenTheTotal)
{
    const std::string page = dir.File("page.html");
    test::WriteFile(page, "<a href=\"ftp://F.org/pub/a.zip\">x</a>\n"
                          "<a href=\"http://h.org/m/s\xE9.mp3\"><b>S\xE9 \"q\"</b>\n</a>\r\n"
                          "<a href=\"http://h.org/m/b\n.mp3\">B</a>");
    const CliRun run = RunCli("links --json " + page);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "{\"kind\":\"http\",\"url\":\"http://h.org/m/s\xEF\xBF\xBD.mp3\",\"text\":\"S\xEF\xBF\xBD \\\"q\\\"\"}\n"
              "{\"kind\":\"http\",\"url\":\"http://h.org/m/b.mp3\",\"text\":\"B\"}\n"
              "{\"kind\":\"ftp\",\"url\":\"ftp://F.org/pub/a.zip\"}\n"
              "{\"kind\":\"total\",\"http\":2,\"ftp\":1,\"https\":0}\n");
}

TEST_F(LinksCommandTest, ControlSequencesFromThePageNeverReachTheTerminal)
{
    const std::string page = dir.File("page.html");
    test::WriteFile(page, "<a href=\"http://h.org/a.mp3\">\x1b]0;owned\x07 x\xc2\x9b"
                          "2J \x7f\x9b caf\xc3\xa9</a>"
                          "<a href=\"ftp://h.org/b\x1b[2J.zip\">f</a>");
    const CliRun human = RunCli("links " + page);
    EXPECT_EQ(human.status, 0);
    EXPECT_EQ(human.out.find_first_of("\x1b\x07\x7f\x9b"), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("\\x1b]0;owned\\x07 x\\u009b2J \\x7f\\x9b caf\xc3\xa9"), std::string::npos)
        << "controls are shown escaped, other text as it is: " << human.out;
    EXPECT_NE(human.out.find("ftp://h.org/b\\x1b[2J.zip"), std::string::npos) << human.out;
    const CliRun json = RunCli("links --json " + page);
    EXPECT_NE(json.out.find("\\u001b]0;owned\\u0007"), std::string::npos) << json.out;
}

TEST_F(LinksCommandTest, HttpsLinksAndUnwrappedRedirectsAreListedWithTheirKind)
{
    const std::string page = dir.File("page.html");
    test::WriteFile(page, "<a href=\"http://h.org/a.mp3\">A</a>"
                          "<a href=\"//duckduckgo.com/l/?uddg=https%3A%2F%2Fs.org%2Fb.pdf&amp;rut=1\">B</a>"
                          "<a href=\"/url?q=ftp://f.org/c.zip\">c</a>");
    const CliRun run = RunCli("links --json " + page);
    EXPECT_EQ(run.out, "{\"kind\":\"http\",\"url\":\"http://h.org/a.mp3\",\"text\":\"A\"}\n"
                       "{\"kind\":\"https\",\"url\":\"https://s.org/b.pdf\",\"text\":\"B\","
                       "\"wrapped\":\"//duckduckgo.com/l/?uddg=https%3A%2F%2Fs.org%2Fb.pdf&amp;rut=1\"}\n"
                       "{\"kind\":\"ftp\",\"url\":\"ftp://f.org/c.zip\",\"wrapped\":\"/url?q=ftp://f.org/c.zip\"}\n"
                       "{\"kind\":\"total\",\"http\":2,\"ftp\":1,\"https\":1}\n");
}

TEST_F(LinksCommandTest, ReadsStandardInputAndReportsAnEmptyPage)
{
    const std::string page = dir.File("empty.html");
    test::WriteFile(page, "<p>no links</p>");
    const CliRun run = RunCli("links --json < " + page);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "{\"kind\":\"total\",\"http\":0,\"ftp\":0,\"https\":0}\n");
}

TEST_F(LinksCommandTest, ExitStatusSaysWhatWentWrong)
{
    EXPECT_EQ(RunCli("links --bogus").status, 2);
    EXPECT_EQ(RunCli("links a b").status, 2);
    EXPECT_EQ(RunCli("nosuchcommand").status, 2);
    EXPECT_EQ(RunCli("links " + dir.File("missing.html")).status, 1);
    const CliRun version = RunCli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.substr(0, version.out.find('\n') + 1), "velmora-cli 2.2 build 0\n") << "what scripts read";
    EXPECT_NE(version.out.find("GPL-3.0-or-later"), std::string::npos) << version.out;
    const CliRun help = RunCli("links --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--json"), std::string::npos);
}

} // namespace
} // namespace velmora
