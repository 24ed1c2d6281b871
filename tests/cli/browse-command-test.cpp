// velmora-cli browse against nginx and against servers that misbehave.

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>

#include "support/ftp-world.h"
#include "support/nginx-world.h"
#include "support/page-server.h"
#include "support/tls-world.h"
#include "test-support.h"

namespace velmora {
namespace {

using test::PageBehavior;

class BrowseCommandTest : public ::testing::Test {
protected:
    test::TempDir dir;  // the working directory
    test::TempDir tree; // what the server serves

    test::ProgramRun Browse(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {VELMORA_CLI_PATH, "browse"});
        return test::RunProgram(arguments, dir.Path(), std::chrono::seconds(60));
    }

    void Put(const std::string& path, const std::string& text)
    {
        const std::filesystem::path file = tree.Path() + path;
        std::filesystem::create_directories(file.parent_path());
        test::WriteFile(file.string(), text);
    }

    static std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = text.find('\n', at);
            lines.push_back(text.substr(at, end - at));
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    }
};

TEST_F(BrowseCommandTest, JsonEventsNameEveryDirectoryAndFileAsValidUrls)
{
    Put("/pub/b c.bin", std::string(1000, 'b'));
    Put("/pub/sub/d\xC3\xA9 #1.txt", "dd");
    Put("/pub/sub/deeper/e.txt", "e");
    test::NginxServer nginx(tree.Path());
    ASSERT_TRUE(nginx.IsRunning());
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nBrowseDepth=1\n");

    const test::ProgramRun run = Browse({"--json", nginx.Url("/pub/b%20c.bin")});
    EXPECT_EQ(run.status, 0) << run.output;
    auto lines = Lines(run.output);
    ASSERT_EQ(lines.size(), 6u) << run.output;
    EXPECT_EQ(lines[0], "{\"event\":\"dir\",\"url\":\"" + nginx.Url("/pub/") + "\",\"files\":1,\"dirs\":1}");
    EXPECT_EQ(lines[1].rfind("{\"event\":\"file\",\"url\":\"" + nginx.Url("/pub/b%20c.bin") +
                                 "\",\"size\":1000,\"modified\":\"20",
                             0),
              0u)
        << lines[1];
    EXPECT_EQ(lines[2], "{\"event\":\"dir\",\"url\":\"" + nginx.Url("/pub/sub/") + "\",\"files\":1,\"dirs\":1}");
    EXPECT_NE(lines[3].find("\"url\":\"" + nginx.Url("/pub/sub/d%C3%A9%20%231.txt") + "\",\"size\":2,"),
              std::string::npos)
        << lines[3];
    EXPECT_EQ(lines[4], "{\"event\":\"skip\",\"url\":\"" + nginx.Url("/pub/sub/deeper/") +
                            "\",\"reason\":\"It lies deeper than 1 levels below the start.\"}");
    EXPECT_EQ(lines[5], "{\"event\":\"done\",\"files\":2,\"dirs\":2,\"skipped\":1}");

    // --depth outranks the setting; --max-files caps the files.
    const test::ProgramRun capped = Browse({"--json", "--depth", "5", "--max-files", "2", nginx.Url("/pub/")});
    EXPECT_EQ(capped.status, 0);
    EXPECT_NE(capped.output.find("{\"event\":\"done\",\"files\":2,"), std::string::npos) << capped.output;
    const test::ProgramRun deep = Browse({"--json", "--depth", "5", nginx.Url("/pub/")});
    EXPECT_NE(deep.output.find("{\"event\":\"done\",\"files\":3,\"dirs\":3,\"skipped\":0}"), std::string::npos)
        << deep.output;
}

// The file URLs of a run's JSON events, in the order printed.
std::vector<std::string> FileUrls(const std::string& output)
{
    std::vector<std::string> urls;
    const std::string mark = "{\"event\":\"file\",\"url\":\"";
    for (std::size_t at = output.find(mark); at != std::string::npos; at = output.find(mark, at + 1)) {
        const std::size_t start = at + mark.size();
        urls.push_back(output.substr(start, output.find('"', start) - start));
    }
    std::sort(urls.begin(), urls.end());
    return urls;
}

TEST_F(BrowseCommandTest, FtpAndHttpsServersListTheSameTree)
{
    Put("/pub/a.txt", "aa");
    Put("/pub/sub/b c.txt", "b");
    Put("/pub/sub/deeper/d.txt", "d");
    test::FtpTestServer ftp(tree.Path());
    ASSERT_TRUE(ftp.IsRunning());
    const test::ProgramRun overFtp = Browse({"--json", "--depth", "1", ftp.Url("/pub/a.txt")});
    EXPECT_EQ(overFtp.status, 0) << overFtp.output;
    EXPECT_EQ(FileUrls(overFtp.output),
              (std::vector<std::string>{ftp.Url("/pub/a.txt"), ftp.Url("/pub/sub/b%20c.txt")}));
    EXPECT_NE(overFtp.output.find("\"size\":2,"), std::string::npos) << "MLSD gives sizes";

    test::TrustTestAuthority trust; // the program inherits the variable
    test::HttpsServer https(tree.Path());
    ASSERT_TRUE(https.IsRunning());
    const test::ProgramRun overHttps = Browse({"--json", "--depth", "1", https.Url("/pub/")});
    EXPECT_EQ(overHttps.status, 0) << overHttps.output;
    EXPECT_EQ(FileUrls(overHttps.output),
              (std::vector<std::string>{https.Url("/pub/a.txt"), https.Url("/pub/sub/b%20c.txt")}));
}

TEST_F(BrowseCommandTest, TheHumanFormListsFoldersAndFilesAndATotal)
{
    Put("/a.txt", "aaa");
    test::NginxServer nginx(tree.Path());
    ASSERT_TRUE(nginx.IsRunning());
    const test::ProgramRun run = Browse({nginx.Url("/")});
    EXPECT_EQ(run.status, 0);
    const auto lines = Lines(run.output);
    ASSERT_EQ(lines.size(), 3u) << run.output;
    EXPECT_EQ(lines[0], nginx.Url("/") + "  (1 file, 0 folders)");
    EXPECT_EQ(lines[1].rfind("  " + nginx.Url("/a.txt") + "  3  20", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "1 file in 1 folder, 0 skipped");
}

TEST_F(BrowseCommandTest, UsageErrorsExitTwoAndAnUnlistedStartExitsOne)
{
    EXPECT_EQ(Browse({}).status, 2);
    EXPECT_EQ(Browse({"--depth", "deep", "http://127.0.0.1/"}).status, 2);
    EXPECT_EQ(Browse({"--max-files", "0", "http://127.0.0.1/"}).status, 2);
    EXPECT_EQ(Browse({"mailto:someone@example.org"}).status, 2);

    const std::string refused = "http://127.0.0.1:" + std::to_string(test::RefusedPort()) + "/pub/";
    const test::ProgramRun run = Browse({"--json", refused});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("{\"event\":\"skip\",\"url\":\"" + refused + "\""), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("{\"event\":\"done\",\"files\":0,\"dirs\":0,\"skipped\":1}"), std::string::npos);
}

TEST_F(BrowseCommandTest, HostileNamesInAListingReachTheTerminalEscaped)
{
    test::PageServer server;
    server.Route("/", {PageBehavior::Kind::Serve, "<a href=\"%1B%5B2J.txt\">x</a><a href=\"%0Aevil.txt\">y</a>"
                                                  "<a href=\"good.txt\">z</a>"});
    const test::ProgramRun run = Browse({server.Url("/")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.find('\x1b'), std::string::npos) << "an escape sequence would reach the terminal";
    // Names with control characters could not be handed on safely: left out.
    EXPECT_EQ(Lines(run.output),
              (std::vector<std::string>{server.Url("/") + "  (1 file, 0 folders)", "  " + server.Url("/good.txt"),
                                        "1 file in 1 folder, 0 skipped"}));
}

} // namespace
} // namespace velmora
