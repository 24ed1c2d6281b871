#include "results/client-launch.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include "results/result-entry.h"
#include "settings/profile-store.h"
#include "settings/script-encoding.h"
#include "test-support.h"

namespace velmora {
namespace {

std::unique_ptr<ResultEntry> Record(const char* url)
{
    auto record = MakeResultEntry(url, 1);
    EXPECT_TRUE(record) << url;
    return record;
}

TEST(ExpandTemplateTest, PlaceholdersKeepTheBlanksOfTheTemplate)
{
    const auto anonymous = Record("ftp://h.org/pub/song.mp3");
    EXPECT_EQ(ExpandTemplate(*anonymous, "-u %u -p %p %h %o", true, "./"),
              "-u anonymous -p velmora@example.org h.org 21");
    EXPECT_EQ(ExpandTemplate(*anonymous, "%h[ %r%f]", true, "./"), "h.org /pub/song.mp3");
    EXPECT_EQ(ExpandTemplate(*anonymous, "%h[ %r%f]", false, "./"), "h.org");
    EXPECT_EQ(ExpandTemplate(*anonymous, "%r|%f|%l", false, "/tmp/in"), "/pub/|song.mp3|/tmp/in");
}

TEST(ExpandTemplateTest, BracketsThatOpenNoOptionalPartStay)
{
    const auto record = Record("ftp://h.org/a.zip");
    EXPECT_EQ(ExpandTemplate(*record, "%[x%]", true, "./"), "[x]");
    EXPECT_EQ(ExpandTemplate(*record, "%[x%]", false, "./"), "[x]");
    EXPECT_EQ(ExpandTemplate(*record, "open [ %h", false, "./"), "open [ h.org");
    EXPECT_EQ(ResolveOptionalParts("a[b[c]d]e", true), "abcde");
    EXPECT_EQ(ResolveOptionalParts("a[b[c]d]e", false), "ad]e");
    EXPECT_EQ(ResolveOptionalParts("x[y%]z]w", false), "x[y%]z]w") << "a ']' after '%' closes nothing";
}

TEST(ExpandTemplateTest, ValuesAreNeverExpandedAgain)
{
    ResultEntry record;
    record.server = "evil%u.org";
    record.user = "me\r\nQUIT";
    record.path = "noslash";
    EXPECT_EQ(ReplacePlaceholders("%h %u %r %f %s", record, "./"), "evil%u.org meQUIT / noslash %s");
    const std::string script = "/w/client.scr";
    EXPECT_EQ(ReplacePlaceholders("-f %s", record, "./", &script), "-f /w/client.scr");
}

TEST(ExpandTemplateTest, CommandWordsSplitAtBlanksAndGroupInQuotes)
{
    EXPECT_EQ(SplitCommandWords(" -f  \"a b\" 'c \"d' e\"f g\"h  "),
              (std::vector<std::string>{"-f", "a b", "c \"d", "ef gh"}));
    EXPECT_EQ(SplitCommandWords("\"\" x"), (std::vector<std::string>{"", "x"}));
    EXPECT_TRUE(SplitCommandWords("   ").empty());
}

class ClientLaunchTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string settings = dir.File("settings.dat");
    std::string clients = dir.File("clients.dat");
    std::string record = dir.File("recorded");

    void SetUp() override { ::setenv("VELMORA_RECORD_FILE", record.c_str(), 1); }

    void Configure(const std::string& args, const std::string& script = "", const std::string& path = RECORD_ARGS_PATH)
    {
        WritePrivateProfileStringA("Settings", "FTPClient", "Stand-in", settings);
        WritePrivateProfileStringA("Stand-in", "Path", path, clients);
        WritePrivateProfileStringA("Stand-in", "Args", args, clients);
        WritePrivateProfileStringA("Stand-in", "Script", EncodeScript(script), clients);
    }

    // The working directory and arguments the stand-in received.
    std::vector<std::string> Received() { return test::ReadRecordedArgs(record); }
};

TEST_F(ClientLaunchTest, HostileServersAndPathsReachTheClientAsSingleArguments)
{
    Configure("-o %h \"%r%f\" [--user %u]");
    const auto hostile = Record("ftp://x$(touch%20pwned);y:21/a%20b;|c'd\".zip");
    ASSERT_TRUE(LaunchClient(*hostile, true, settings, dir.Path()));
    const auto received = Received();
    ASSERT_EQ(received.size(), 7u);
    EXPECT_EQ(std::filesystem::canonical(received[0]), std::filesystem::canonical(dir.Path()))
        << "LocalDir ./ is the working directory";
    EXPECT_EQ(std::vector<std::string>(received.begin() + 2, received.end()),
              (std::vector<std::string>{"-o", "x$(touch pwned);y", "/a b;|c'd\".zip", "--user", "anonymous"}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("pwned")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("client.scr"))) << "no %s, no script";
}

TEST_F(ClientLaunchTest, AScriptIsWrittenWithCrLfLinesBeforeTheClientStarts)
{
    Configure("-f %s", "open %h:%o\nuser %u %p\n[get %r%f]\nbye");
    const auto result = Record("ftp://joe:pw@ftp.net:2121/pub/a.zip");
    ASSERT_TRUE(LaunchClient(*result, false, settings, dir.Path()));
    const auto received = Received();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[2], "-f");
    EXPECT_EQ(received[3], dir.File("client.scr"));
    EXPECT_EQ(test::ReadFile(dir.File("client.scr")), "open ftp.net:2121\r\nuser joe pw\r\n\r\nbye");
}

TEST_F(ClientLaunchTest, EmptyArgsStartTheClientBareAndLeaveTheScriptAlone)
{
    test::WriteFile(dir.File("client.scr"), "old");
    Configure("", "open %h");
    ASSERT_TRUE(LaunchClient(*Record("ftp://h/a.zip"), true, settings, dir.Path()));
    EXPECT_EQ(Received().size(), 2u);
    EXPECT_EQ(test::ReadFile(dir.File("client.scr")), "old");
}

TEST_F(ClientLaunchTest, NothingStartsWithoutAClientAScriptOrAProgram)
{
    const auto result = Record("ftp://h/a.zip");
    EXPECT_FALSE(LaunchClient(*result, true, settings, dir.Path())) << "no FTPClient";
    EXPECT_FALSE(std::filesystem::exists(dir.File("client.scr")));
    Configure("-f %s", "open %h");
    EXPECT_FALSE(LaunchClient(*result, true, settings, dir.File("missing-folder"))) << "script cannot be written";
    Configure("x", "", "/no/such/program");
    EXPECT_FALSE(LaunchClient(*result, true, settings, dir.Path()));
    WritePrivateProfileStringA("Settings", "LocalDir", dir.File("no-such-dir"), settings);
    Configure("x");
    EXPECT_FALSE(LaunchClient(*result, true, settings, dir.Path())) << "LocalDir cannot be entered";
    EXPECT_FALSE(std::filesystem::exists(record));
}

TEST_F(ClientLaunchTest, TheFileZillaTemplateGivesOneUrlArgument)
{
    Configure("ftp://%u:%p@%h:%o%r");
    ASSERT_TRUE(LaunchClient(*Record("ftp://joe:pw@127.0.0.1:2121/pub/a%20b.zip"), true, settings, dir.Path()));
    const auto received = Received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2], "ftp://joe:pw@127.0.0.1:2121/pub/");
}

} // namespace
} // namespace velmora
