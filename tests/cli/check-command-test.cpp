// velmora-cli check and search --check-files against nginx and pyftpdlib,
// as scripts read them.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/ftp-world.h"
#include "support/nginx-world.h"
#include "support/page-server.h"
#include "test-support.h"

namespace velmora {
namespace {

constexpr std::int64_t kModified = 1735732800; // 2025-01-01T12:00:00Z

class CheckCommandTest : public ::testing::Test {
protected:
    test::TempDir dir;  // the working directory
    test::TempDir tree; // what the servers serve

    void SetUp() override
    {
        test::WriteFile(dir.File("settings.dat"), "[Settings]\nFilter=0\nAutoTest=0\nBrowseDelayFactor=0\n");
    }

    test::ProgramRun Cli(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{VELMORA_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::RunProgram(argv, dir.Path(), std::chrono::seconds(60));
    }

    void Put(const std::string& path, std::uint64_t bytes)
    {
        ASSERT_TRUE(test::WriteSizedFile(tree.Path() + path, bytes, kModified));
    }

    // The output's lines that start so, in the order they came.
    static std::vector<std::string> LinesStarting(const std::string& text, const std::string& start)
    {
        std::vector<std::string> lines;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            if (text.compare(at, start.size(), start) == 0)
                lines.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        return lines;
    }
};

TEST_F(CheckCommandTest, EachUrlIsOneFileEventAndTheExitSaysWhetherAllAreThere)
{
    Put("/pub/a.iso", 1000);
    test::NginxServer nginx(tree.Path());
    test::FtpTestServer ftp(tree.Path());
    ASSERT_TRUE(nginx.IsRunning() && ftp.IsRunning());
    const std::string onFtp = ftp.Url("/pub/a.iso", "joe:s3cret");
    const test::ProgramRun run = Cli({"check", "--json", nginx.Url("/pub/a.iso"), nginx.Url("/pub/gone.iso"), onFtp});
    EXPECT_EQ(run.status, 1) << run.output;
    std::vector<std::string> files = LinesStarting(run.output, "{\"event\":\"file\"");
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 3u) << run.output;
    EXPECT_EQ(files[0], "{\"event\":\"file\",\"url\":\"" + onFtp +
                            "\",\"alive\":true,\"size\":1000,\"modified\":\"2025-01-01T12:00:00Z\",\"status\":213,"
                            "\"reason\":\"The server has the file.\"}")
        << "the URL as it was given, its login too";
    EXPECT_EQ(files[1], "{\"event\":\"file\",\"url\":\"" + nginx.Url("/pub/a.iso") +
                            "\",\"alive\":true,\"size\":1000,\"modified\":\"2025-01-01T12:00:00Z\",\"status\":200,"
                            "\"reason\":\"The server has the file (200 OK).\"}");
    EXPECT_EQ(files[2], "{\"event\":\"file\",\"url\":\"" + nginx.Url("/pub/gone.iso") +
                            "\",\"alive\":false,\"size\":null,\"modified\":null,\"status\":404,"
                            "\"reason\":\"The server has no such file (404 Not Found).\"}");
    EXPECT_TRUE(run.output.ends_with("{\"event\":\"done\",\"files\":3,\"alive\":2}\n")) << run.output;

    const test::ProgramRun there = Cli({"check", nginx.Url("/pub/a.iso")});
    EXPECT_EQ(there.status, 0) << there.output;
    EXPECT_TRUE(there.output.starts_with("there      " + nginx.Url("/pub/a.iso") + "  1000  2025-01-01T12:00:00Z"))
        << there.output;

    EXPECT_EQ(Cli({"check"}).status, 2);
    EXPECT_EQ(Cli({"check", "file:///etc/passwd"}).status, 2);
}

TEST_F(CheckCommandTest, SearchCheckFilesChecksEveryFoundFileAndKeepsTheChecksWithTheSearch)
{
    Put("/pub/blue moon.iso", 4096);
    test::NginxServer nginx(tree.Path());
    ASSERT_TRUE(nginx.IsRunning());
    test::PageServer engine;
    engine.Route("/one", {test::PageBehavior::Kind::Serve, "<a href=\"" + nginx.Url("/pub/blue%20moon.iso") +
                                                               "\">m</a><a href=\"" +
                                                               nginx.Url("/pub/blue%20moon-gone.iso") + "\">g</a>"});
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nFilter=0\nAutoTest=0\nBrowseDelayFactor=0\n[One]\nQuery=" +
                                                  engine.Url("/one?q=%s") + "\n");

    const test::ProgramRun run = Cli({"search", "--json", "--check-files", "--save", "blue", "moon"});
    ASSERT_EQ(run.status, 0) << run.output;
    const auto files = LinesStarting(run.output, "{\"event\":\"file\"");
    ASSERT_EQ(files.size(), 2u) << run.output;
    const std::size_t lastResult = run.output.rfind("{\"event\":\"result\"");
    EXPECT_LT(lastResult, run.output.find("{\"event\":\"file\"")) << "files are checked after the search";
    EXPECT_TRUE(run.output.ends_with("{\"event\":\"done\",\"results\":2,\"servers\":1}\n")) << run.output;

    // The check's size and date are kept: the export tells them.
    const test::ProgramRun exported = Cli({"export", "--format", "json", "--min-size", "1K"});
    ASSERT_EQ(exported.status, 0) << exported.output;
    EXPECT_NE(exported.output.find("\"size\":4096,\"modified\":1735732800"), std::string::npos) << exported.output;
    EXPECT_EQ(exported.output.find("moon-gone"), std::string::npos) << "a file of unknown size is left out";
}

} // namespace
} // namespace velmora
