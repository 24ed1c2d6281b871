// velmora-cli search --save, searches and export as scripts use them.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "platform/url-split.h"
#include "results/file-filter.h"
#include "store/search-store.h"
#include "support/page-server.h"
#include "test-support.h"

namespace velmora {
namespace {

class SavedCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Serve("<a href=\"http://files.example.org/m/blue%20moon.mp3\">Blue Moon</a>"
              "<a href=\"ftp://ftp.example.net:2121/pub/moon.zip\">z</a>");
        test::WriteFile(dir.File("settings.dat"),
                        "[Settings]\nFilter=0\nAutoTest=0\n[One]\nQuery=" + server.Url("/one?q=%s") + "\n");
    }
    void Serve(const std::string& page) { server.Route("/one", {test::PageBehavior::Kind::Serve, page}); }

    test::ProgramRun Cli(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{VELMORA_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::RunProgram(argv, dir.Path());
    }
    bool HasDatabase() const { return std::filesystem::exists(dir.File("velmora.db")); }

    test::TempDir dir;
    test::PageServer server;
};

TEST_F(SavedCommandsTest, ASavedSearchMarksWhatIsNewAndIsListed)
{
    // Nothing is kept, and no database made, unless asked.
    const test::ProgramRun plain = Cli({"search", "--json", "blue", "moon"});
    ASSERT_EQ(plain.status, 0) << plain.output;
    EXPECT_EQ(plain.output.find("\"new\""), std::string::npos);
    EXPECT_FALSE(HasDatabase());
    const test::ProgramRun none = Cli({"searches", "--json"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.output, "");
    EXPECT_FALSE(HasDatabase()) << "listing creates nothing";

    const test::ProgramRun first = Cli({"search", "--json", "--save", "blue", "moon"});
    ASSERT_EQ(first.status, 0) << first.output;
    EXPECT_NE(first.output.find("\"engine\":\"One\",\"new\":true}\n"), std::string::npos) << first.output;
    EXPECT_EQ(first.output.find("\"new\":false"), std::string::npos) << first.output;

    Serve("<a href=\"http://FILES.example.org/M/Blue%20Moon.MP3\">again</a>"
          "<a href=\"http://other.example.org/moon.ogg\">new</a>");
    const test::ProgramRun second = Cli({"search", "--json", "--save", "blue", "moon"});
    ASSERT_EQ(second.status, 0) << second.output;
    EXPECT_NE(second.output.find("\"path\":\"/M/Blue Moon.MP3\",\"user\":\"anonymous\",\"password\":\"velmora@example."
                                 "org\",\"description\":\"again\",\"engine\":\"One\",\"new\":false}"),
              std::string::npos)
        << "the duplicate check's letter case rules tell what was held before\n"
        << second.output;
    EXPECT_NE(second.output.find("\"description\":\"new\",\"engine\":\"One\",\"new\":true}"), std::string::npos);

    // A name of its own starts afresh.
    const test::ProgramRun named = Cli({"search", "--json", "--save=moons", "blue", "moon"});
    EXPECT_EQ(named.output.find("\"new\":false"), std::string::npos) << named.output;

    const test::ProgramRun listed = Cli({"searches", "--json"});
    ASSERT_EQ(listed.status, 0);
    const std::regex line(
        R"re(\{"name":"([a-z ]+)","when":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ","results":(\d+),"servers":(\d+)\})re");
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(listed.output.begin(), listed.output.end(), line); it != std::sregex_iterator();
         ++it)
        names.push_back((*it)[1].str() + ":" + (*it)[2].str() + ":" + (*it)[3].str());
    EXPECT_EQ(names, (std::vector<std::string>{"moons:2:2", "blue moon:2:2", "blue moon:2:2"})) << listed.output;

    // The latest of a name, or of all.
    const test::ProgramRun urls = Cli({"export", "--search", "blue moon", "--format", "urls", "--new"});
    EXPECT_EQ(urls.status, 0);
    EXPECT_EQ(urls.output, "http://other.example.org/moon.ogg\n");
    ASSERT_EQ(Cli({"export", "--format", "csv", "-o", "all.csv"}).status, 0);
    EXPECT_TRUE(test::ReadFile(dir.File("all.csv")).starts_with("url,service,server,port,path,file,"));
}

TEST_F(SavedCommandsTest, OnlyTheLastRunsOfANameAreKeptAndForgetDropsThemAll)
{
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nFilter=0\nAutoTest=0\nSearchRunsKept=2\n[One]\nQuery=" +
                                                  server.Url("/one?q=%s") + "\n");
    for (int run = 0; run < 3; ++run)
        ASSERT_EQ(Cli({"search", "--save", "moon"}).status, 0);
    ASSERT_EQ(Cli({"search", "--save", "sun"}).status, 0);
    const std::string listed = Cli({"searches"}).output;
    EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 3) << listed;

    const test::ProgramRun forgot = Cli({"searches", "--forget", "moon"});
    EXPECT_EQ(forgot.status, 0) << forgot.output;
    EXPECT_EQ(forgot.output, "Forgot 2 runs of moon\n");
    const test::ProgramRun again = Cli({"searches", "--forget", "moon"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.output.find("no search named moon is kept"), std::string::npos) << again.output;
    EXPECT_EQ(Cli({"export", "--search", "moon", "--format", "urls"}).status, 1);
    const std::string left = Cli({"searches", "--json"}).output;
    EXPECT_NE(left.find("\"name\":\"sun\""), std::string::npos);
    EXPECT_EQ(left.find("moon"), std::string::npos) << left;
    EXPECT_EQ(Cli({"searches", "--forget"}).status, 2) << "a name is needed";
}

TEST_F(SavedCommandsTest, ExportTellsBadUsageFromNothingToExport)
{
    EXPECT_EQ(Cli({"export", "--format", "urls"}).status, 1) << "no searches saved";
    ASSERT_EQ(Cli({"search", "--save", "moon"}).status, 0);
    EXPECT_EQ(Cli({"export"}).status, 2);
    EXPECT_EQ(Cli({"export", "--format", "wget"}).status, 2);
    EXPECT_EQ(Cli({"export", "--format", "urls", "extra"}).status, 2);
    const test::ProgramRun unknown = Cli({"export", "--search", "sun", "--format", "urls"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.output.find("no saved search is called sun"), std::string::npos) << unknown.output;
    const test::ProgramRun nowhere = Cli({"export", "--format", "urls", "-o", dir.File("no/such/list.txt")});
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_NE(nowhere.output.find("Could not write"), std::string::npos) << nowhere.output;
}

// Sizes and dates come from a browse or a file check: a search saved with
// them, as the store keeps it.
TEST_F(SavedCommandsTest, ExportKeepsTheFilesOfTheExtensionsSizesAndDatesAsked)
{
    const auto file = [](std::string path, std::optional<std::uint64_t> size, std::optional<std::int64_t> modified) {
        SavedResult result;
        result.record.service = kServiceHttp;
        result.record.server = "files.example.org";
        result.record.port = 80;
        result.record.path = std::move(path);
        result.record.size = size;
        result.record.modified = modified;
        result.engine = "One";
        return result;
    };
    const std::int64_t march2025 = *ParseFilterDate("2025-03-01");
    SearchUpdate update;
    update.name = update.words = "disks";
    update.when = march2025;
    update.servers = 1;
    update.newResults = {file("/a.iso", 200u << 20, march2025),
                         file("/b.ISO", 50u << 20, *ParseFilterDate("2024-01-01")),
                         file("/c.img", std::nullopt, *ParseFilterDate("2025-06-01")),
                         file("/d.txt", 1024, std::nullopt), file("/e.iso", std::nullopt, std::nullopt)};
    {
        Result<std::unique_ptr<SearchStore>> store = SearchStore::Open(dir.Path());
        ASSERT_TRUE(store) << store.Why();
        ASSERT_TRUE((*store)->Save(update));
    }
    const auto urls = [&](std::vector<std::string> filters) {
        std::vector<std::string> args{"export", "--format", "urls"};
        args.insert(args.end(), filters.begin(), filters.end());
        const test::ProgramRun run = Cli(args);
        EXPECT_EQ(run.status, 0) << run.output;
        std::string names;
        for (std::size_t at = run.output.find("org/"); at != std::string::npos; at = run.output.find("org/", at + 1))
            names += run.output.substr(at + 4, run.output.find('\n', at) - at - 4) + " ";
        return names;
    };
    EXPECT_EQ(urls({"--ext", "iso,IMG"}), "a.iso b.ISO c.img e.iso ") << "any letter case";
    EXPECT_EQ(urls({"--ext", "iso", "--min-size", "100M"}), "a.iso ") << "unknown sizes are left out";
    EXPECT_EQ(urls({"--max-size", "50M"}), "b.ISO d.txt ") << "the bound itself is in";
    EXPECT_EQ(urls({"--since", "2025-03-01"}), "a.iso c.img ");

    const test::ProgramRun badSize = Cli({"export", "--format", "urls", "--min-size", "12X"});
    EXPECT_EQ(badSize.status, 2);
    EXPECT_NE(badSize.output.find("--min-size 12X is not understood"), std::string::npos) << badSize.output;
    const test::ProgramRun badDay = Cli({"export", "--format", "urls", "--since", "2025-02-30"});
    EXPECT_EQ(badDay.status, 2) << "no such day";
    const test::ProgramRun none = Cli({"export", "--format", "urls", "--ext", "zip"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("nothing to export"), std::string::npos) << none.output;
}

TEST_F(SavedCommandsTest, ADamagedDatabaseIsToldAndTheSearchRunsUnsaved)
{
    test::WriteFile(dir.File("velmora.db"), std::string(4096, 'x'));
    const test::ProgramRun search = Cli({"search", "--json", "--save", "moon"});
    EXPECT_EQ(search.status, 0);
    EXPECT_NE(search.output.find("is damaged"), std::string::npos) << search.output;
    EXPECT_NE(search.output.find("This search is not saved."), std::string::npos) << search.output;
    EXPECT_NE(search.output.find("{\"event\":\"done\",\"results\":2,\"servers\":2}"), std::string::npos);
    EXPECT_EQ(test::ReadFile(dir.File("velmora.db")), std::string(4096, 'x'));
    const test::ProgramRun listed = Cli({"searches"});
    EXPECT_EQ(listed.status, 1);
    EXPECT_NE(listed.output.find("is damaged"), std::string::npos) << listed.output;
}

} // namespace
} // namespace velmora
