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

std::string Plain(const ResultEntry& record, std::string_view text, bool fileMode, const std::string& localDir)
{
    return ExpandTemplate(record, text, fileMode, localDir, QuoteStyle::None).text;
}

TEST(ExpandTemplateTest, PlaceholdersKeepTheBlanksOfTheTemplate)
{
    const auto anonymous = Record("ftp://h.org/pub/song.mp3");
    EXPECT_EQ(Plain(*anonymous, "-u %u -p %p %h %o", true, "./"), "-u anonymous -p velmora@example.org h.org 21");
    EXPECT_EQ(Plain(*anonymous, "%h[ %r%f]", true, "./"), "h.org /pub/song.mp3");
    EXPECT_EQ(Plain(*anonymous, "%h[ %r%f]", false, "./"), "h.org");
    EXPECT_EQ(Plain(*anonymous, "%r|%f|%l", false, "/tmp/in"), "/pub/|song.mp3|/tmp/in");
}

TEST(ExpandTemplateTest, BracketsThatOpenNoOptionalPartStay)
{
    const auto record = Record("ftp://h.org/a.zip");
    EXPECT_EQ(Plain(*record, "%[x%]", true, "./"), "[x]");
    EXPECT_EQ(Plain(*record, "%[x%]", false, "./"), "[x]");
    EXPECT_EQ(Plain(*record, "open [ %h", false, "./"), "open [ h.org");
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
    EXPECT_EQ(ExpandTemplate(record, "user %u", true, "./").text, "user \"meQUIT\"") << "no line break survives";
}

TEST(ScriptQuotingTest, ValuesAreQuotedForTheWordTheTemplatePutsThemIn)
{
    ResultEntry record;
    record.server = "h.org";
    record.user = "it's";
    record.password = "a\"b\\c$d`e";
    record.path = "/m/x\";!touch p;\".mp3";
    const auto lftp = [&](std::string_view text) { return ExpandTemplate(record, text, true, "./").text; };
    EXPECT_EQ(lftp("open -u %u,%p %h"), "open -u \"it's\",\"a\\\"b\\\\c$d`e\" \"h.org\"");
    EXPECT_EQ(lftp("get \"%r%f\""), "get \"/m/x\\\";!touch p;\\\".mp3\"");
    EXPECT_EQ(lftp("echo '%u'"), "echo ''\"it's\"''") << "a single-quoted word is closed around the value";
    EXPECT_EQ(lftp("echo \"x\nget %f"), "echo \"x\nget \"x\\\";!touch p;\\\".mp3\"")
        << "lftp ends an open quote with its line";
    const auto sh = [&](std::string_view text) {
        return ExpandTemplate(record, text, true, "./", QuoteStyle::Sh).text;
    };
    EXPECT_EQ(sh("cd %u"), "cd 'it'\\''s'");
    EXPECT_EQ(sh("echo \"%p\""), "echo \"a\\\"b\\\\c\\$d\\`e\"");
    EXPECT_EQ(ParseQuoteStyle("SH"), QuoteStyle::Sh);
    EXPECT_EQ(ParseQuoteStyle(""), QuoteStyle::Lftp);
    EXPECT_FALSE(ParseQuoteStyle("csh"));
}

TEST(ScriptQuotingTest, WithoutQuotingAValueThatCouldStartACommandRefusesTheScript)
{
    ResultEntry record;
    record.server = "h.org";
    record.user = "anonymous";
    for (const char* path :
         {"/a;b.mp3", "/a\"b.mp3", "/a'b.mp3", "/a!b.mp3", "/a`b.mp3", "/a$b.mp3", "/a\\b.mp3", "/a|b.mp3"}) {
        record.path = path;
        const ScriptExpansion expanded = ExpandTemplate(record, "get %r%f", true, "./", QuoteStyle::None);
        EXPECT_TRUE(expanded.text.empty()) << path;
        EXPECT_EQ(expanded.problem, "The file path holds characters that the client's script cannot carry safely "
                                    "(its Quote setting is \"none\").");
    }
    record.path = "/Blue Moon (live).mp3";
    EXPECT_EQ(ExpandTemplate(record, "get %r%f", true, "./", QuoteStyle::None).text, "get /Blue Moon (live).mp3");
}

// Hostile names as the web writes them; each must come out of the real
// interpreter as exactly the text it was, and run nothing.
const char* const kHostileNames[] = {
    "x\";!touch pwned1;\".mp3", "it's;!touch pwned2.mp3", "a\\\";!touch pwned3.mp3",
    "$(touch pwned4).mp3",      "`touch pwned5`.mp3",     "a|touch pwned6.mp3",
    "a > pwned7.mp3",           "a & touch pwned8 &.mp3", "'\"'\"'\".mp3",
    "Blue Moon (live).mp3",     "Don't Stop.mp3",         "%f %u %%.mp3",
};

TEST(ScriptQuotingTest, TheRealLftpReadsEveryHostileValueBackAsOneWord)
{
    test::TempDir dir;
    std::string expected;
    std::string script;
    for (const char* name : kHostileNames) {
        ResultEntry record;
        record.path = std::string("/d/") + name;
        const auto expanded = ExpandTemplate(record, "echo %f\necho \"%f\"\necho '%f'\necho x%fx\n", true, "./");
        ASSERT_TRUE(expanded.problem.empty());
        script += expanded.text;
        expected += std::string(name) + "\n" + name + "\n" + name + "\nx" + name + "x\n";
    }
    test::WriteFile(dir.File("script.lftp"), script + "bye\n");
    const test::ProgramRun run = test::RunProgram({"lftp", "-f", dir.File("script.lftp")}, dir.Path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, expected);
    EXPECT_TRUE(test::FilesNamed(dir.Path(), "pwned").empty());
}

TEST(ScriptQuotingTest, TheRealShellReadsEveryHostileValueBackAsOneWord)
{
    test::TempDir dir;
    std::string expected;
    std::string script;
    for (const char* name : kHostileNames) {
        ResultEntry record;
        record.path = std::string("/d/") + name;
        const auto expanded =
            ExpandTemplate(record, "printf '%s\\n' %f \"%f\" '%f' x%fx\n", true, "./", QuoteStyle::Sh);
        ASSERT_TRUE(expanded.problem.empty());
        script += expanded.text;
        expected += std::string(name) + "\n" + name + "\n" + name + "\nx" + name + "x\n";
    }
    test::WriteFile(dir.File("script.sh"), script);
    const test::ProgramRun run = test::RunProgram({"/bin/sh", dir.File("script.sh")}, dir.Path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, expected);
    EXPECT_TRUE(test::FilesNamed(dir.Path(), "pwned").empty());
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
        ProfileEdit::WriteString(settings, "Settings", "FTPClient", "Stand-in");
        ProfileEdit::WriteString(clients, "Stand-in", "Path", path);
        ProfileEdit::WriteString(clients, "Stand-in", "Args", args);
        ProfileEdit::WriteString(clients, "Stand-in", "Script", EncodeScript(script));
    }

    // The working directory and arguments the stand-in received.
    std::vector<std::string> Received() { return test::ReadRecordedArgs(record); }
};

TEST_F(ClientLaunchTest, HostilePathsReachTheClientAsSingleArguments)
{
    Configure("-o %h \"%r%f\" [--user %u]");
    const auto hostile = Record("ftp://x-y.example:21/a%20b;|c'd\"$(touch%20pwned).zip");
    ASSERT_TRUE(LaunchClient(*hostile, true, settings, dir.Path()).started);
    const auto received = Received();
    ASSERT_EQ(received.size(), 7u);
    EXPECT_EQ(std::filesystem::canonical(received[0]), std::filesystem::canonical(dir.Path()))
        << "LocalDir ./ is the working directory";
    EXPECT_EQ(std::vector<std::string>(received.begin() + 2, received.end()),
              (std::vector<std::string>{"-o", "x-y.example", "/a b;|c'd\"$(touch pwned).zip", "--user", "anonymous"}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("pwned")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("client.scr"))) << "no %s, no script";
}

TEST_F(ClientLaunchTest, AScriptIsWrittenQuotedWithCrLfLinesAndForItsOwnerOnly)
{
    Configure("-f %s", "open %h:%o\nuser %u %p\n[get %r%f]\nbye");
    const auto result = Record("ftp://joe:pw@ftp.net:2121/pub/a.zip");
    ASSERT_TRUE(LaunchClient(*result, false, settings, dir.Path()).started);
    const auto received = Received();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[2], "-f");
    EXPECT_EQ(received[3], dir.File("client.scr"));
    EXPECT_EQ(test::ReadFile(dir.File("client.scr")), "open \"ftp.net\":\"2121\"\r\nuser \"joe\" \"pw\"\r\n\r\nbye");
    const auto mode = std::filesystem::status(dir.File("client.scr")).permissions();
    EXPECT_EQ(mode, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
        << "the script may hold a password";
}

TEST_F(ClientLaunchTest, EmptyArgsStartTheClientBareAndLeaveTheScriptAlone)
{
    test::WriteFile(dir.File("client.scr"), "old");
    Configure("", "open %h");
    ASSERT_TRUE(LaunchClient(*Record("ftp://h/a.zip"), true, settings, dir.Path()).started);
    EXPECT_EQ(Received().size(), 2u);
    EXPECT_EQ(test::ReadFile(dir.File("client.scr")), "old");
}

TEST_F(ClientLaunchTest, NothingStartsAndTheMessageSaysWhatToDo)
{
    const auto result = Record("ftp://h/a.zip");
    const LaunchResult none = LaunchClient(*result, true, settings, dir.Path());
    EXPECT_FALSE(none.started);
    EXPECT_EQ(none.message, "No FTP client is chosen: pick one in Edit > Settings > FTP Clients.");
    EXPECT_FALSE(std::filesystem::exists(dir.File("client.scr")));
    ProfileEdit::WriteString(settings, "Settings", "FTPClient", "Gone");
    EXPECT_EQ(LaunchClient(*result, true, settings, dir.Path()).message,
              "The FTP client \"Gone\" is not in clients.dat: pick another in Edit > Settings > FTP Clients.");
    Configure("-f %s", "open %h");
    std::filesystem::create_directory(dir.File("client.scr"));
    const LaunchResult unwritable = LaunchClient(*result, true, settings, dir.Path());
    std::filesystem::remove(dir.File("client.scr"));
    EXPECT_FALSE(unwritable.started) << "script cannot be written";
    EXPECT_NE(unwritable.message.find("could not be written"), std::string::npos) << unwritable.message;
    Configure("x", "", "/no/such/program");
    const LaunchResult missing = LaunchClient(*result, true, settings, dir.Path());
    EXPECT_FALSE(missing.started);
    EXPECT_NE(missing.message.find("\"Stand-in\" could not be started (/no/such/program"), std::string::npos)
        << missing.message;
    // A Local Directory that cannot be made (a file stands in its way).
    test::WriteFile(dir.File("plain"), "a file");
    ProfileEdit::WriteString(settings, "Settings", "LocalDir", dir.File("plain/downloads"));
    Configure("x");
    const LaunchResult noFolder = LaunchClient(*result, true, settings, dir.Path());
    EXPECT_FALSE(noFolder.started) << "LocalDir cannot be made";
    EXPECT_EQ(noFolder.message.rfind("The Local Directory " + dir.File("plain/downloads") + " cannot be used", 0), 0u)
        << noFolder.message;
    EXPECT_FALSE(std::filesystem::exists(record));
}

TEST_F(ClientLaunchTest, AValueTheScriptCannotCarryRefusesTheLaunch)
{
    Configure("-f %s", "get %r%f");
    ProfileEdit::WriteString(clients, "Stand-in", "Quote", "none");
    const LaunchResult refused = LaunchClient(*Record("ftp://h/a%3Bb.mp3"), true, settings, dir.Path());
    EXPECT_FALSE(refused.started);
    EXPECT_NE(refused.message.find("cannot carry safely"), std::string::npos) << refused.message;
    EXPECT_FALSE(std::filesystem::exists(dir.File("client.scr")));
    EXPECT_FALSE(std::filesystem::exists(record));
    ProfileEdit::WriteString(clients, "Stand-in", "Quote", "fish");
    EXPECT_NE(LaunchClient(*Record("ftp://h/a.mp3"), true, settings, dir.Path()).message.find("unknown Quote"),
              std::string::npos);
}

TEST_F(ClientLaunchTest, TheFileZillaTemplateGivesOneUrlArgument)
{
    Configure("ftp://%u:%p@%h:%o%r");
    ASSERT_TRUE(LaunchClient(*Record("ftp://joe:pw@127.0.0.1:2121/pub/a%20b.zip"), true, settings, dir.Path()).started);
    const auto received = Received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2], "ftp://joe:pw@127.0.0.1:2121/pub/");
}

} // namespace
} // namespace velmora
