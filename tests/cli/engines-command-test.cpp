// velmora-cli engines check against local engines.

#include <sys/wait.h>

#include <cstdio>
#include <regex>

#include <gtest/gtest.h>

#include "support/engine-world.h"
#include "support/page-server.h"
#include "test-support.h"

namespace velmora {
namespace {

using test::PageBehavior;

class EnginesCommandTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::PageServer server;

    int Run(const std::string& arguments, std::string& out)
    {
        const std::string command = "cd '" + dir.Path() + "' && " + VELMORA_CLI_PATH + " " + arguments + " 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        char buffer[4096];
        std::size_t n = 0;
        while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        const int status = pipe ? ::pclose(pipe) : -1;
        out = std::regex_replace(out, std::regex("\"ms\":[0-9]+"), "\"ms\":T");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(EnginesCommandTest, EveryTickedEngineIsAskedOnceAndItsHealthTold)
{
    server.Route("/good?q=manual", {PageBehavior::Kind::Serve, "<a href=\"https://s.org/manual.pdf\">Manual</a>"});
    server.Route("/good?q=linux", {PageBehavior::Kind::Serve, "<a href=\"/about\">About</a>"});
    server.Route("/busy", {PageBehavior::Kind::Serve, "", 429});
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nMaxthreads=1\nFilter=1\n[Good]\nQuery=" +
                                                  server.Url("/good?q=%s") + "\n[Busy]\nQuery=" + server.Url("/busy") +
                                                  "\n[Off]\nSearch=N\nQuery=" + server.Url("/off") + "\n");
    std::string out;
    EXPECT_EQ(Run("engines check --json", out), 0);
    EXPECT_EQ(out, "{\"event\":\"engine\",\"engine\":\"Good\",\"mark\":\"scanned\",\"links\":1,\"health\":\"links\","
                   "\"status\":200,\"anchors\":1,\"ms\":T,\"reason\":\"Scanned: 1 file link.\"}\n"
                   "{\"event\":\"engine\",\"engine\":\"Busy\",\"mark\":\"scanned\",\"links\":0,\"health\":\"blocked\","
                   "\"status\":429,\"anchors\":0,\"ms\":T,\"reason\":\"Blocked: the engine answered 429 (too many "
                   "requests).\"}\n"
                   "{\"event\":\"done\",\"engines\":2,\"healthy\":1}\n");
    EXPECT_EQ(server.RequestedPaths(), (std::vector<std::string>{"/good?q=manual+pdf", "/busy"}))
        << "the neutral words by default; the unticked engine is not asked";
    out.clear();
    EXPECT_EQ(Run("engines check linux iso", out), 1) << "Busy is held now, and Good names no file for these words";
    EXPECT_NE(out.find("on-hold"), std::string::npos) << out;
    EXPECT_NE(out.find("engine"), std::string::npos) << "a table for people";
    EXPECT_EQ(Run("engines", out), 2);
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

class EnginesOfTheWorldTest : public EnginesCommandTest {
protected:
    test::EngineWorld world{server};
};

// Output goes to scripts and logs: the keys must never be in it, not even
// when an engine refuses one.
TEST_F(EnginesOfTheWorldTest, JsonAndPagedEnginesAreCheckedAndNoKeyIsEverPrinted)
{
    const std::string sections = world.Sections(2);
    test::WriteFile(
        dir.File("settings.dat"),
        "[Settings]\nMaxthreads=2\nFilter=0\n" + sections +
            "[Wrong Key]\nQuery=" + server.Url("/brave/res/v1/web/search?q=%s") +
            "\nFormat=json\nResults=web.results[].url\nKey=wrong-brave-key\nHeader=X-Subscription-Token: %k\n");
    std::string json;
    EXPECT_EQ(Run("engines check --json", json), 0);
    std::string table;
    Run("engines check", table);
    std::string search;
    const std::string command = "search --json linux";
    Run(command, search);
    for (const std::string& out : {json, table, search}) {
        for (const char* key : {test::EngineWorld::kBraveKey, "mojeek&secret", "mojeek%26secret", "wrong-brave-key"})
            EXPECT_EQ(out.find(key), std::string::npos) << key << " in " << out;
    }
    EXPECT_NE(json.find("\"engine\":\"Brave API\",\"mark\":\"scanned\",\"links\":6,\"health\":\"links\","
                        "\"status\":200,\"anchors\":10,\"pages\":2,\"ms\":T,"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"engine\":\"Wrong Key\",\"mark\":\"failed\",\"links\":0,\"health\":\"key-refused\","
                        "\"status\":401,\"anchors\":0,\"ms\":T,\"reason\":\"The engine refused the API key"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"event\":\"done\",\"engines\":7,\"healthy\":6}"), std::string::npos) << json;
    EXPECT_NE(table.find("key-refused"), std::string::npos) << table;
    EXPECT_NE(search.find("\"path\":\"/pub/2-3.iso\",\"user\":\"anonymous\""), std::string::npos) << search;
    EXPECT_NE(search.find("\"event\":\"engine\",\"engine\":\"Paged\""), std::string::npos);
}

} // namespace
} // namespace velmora
