// The settings sheet's pages without their widgets: states, refusals and
// what reaches the files.

#include <gtest/gtest.h>

#include "settings/clients-page-model.h"
#include "settings/engines-page-model.h"
#include "settings/general-page-model.h"
#include "settings/profile-store.h"
#include "test-support.h"

namespace velmora {
namespace {

using test::ReadFile;
using test::WriteFile;

class EnginesPageTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string file = dir.File("settings.dat");
    EnginesPageModel page{file};

    void SetUp() override
    {
        WriteFile(file, "[Settings]\nMaxthreads=5\n[zeta]\nQuery=http://z/?q=%s\nSearch=N\n[Alpha]\nURL=http://a/\n"
                        "Query=http://a/?q=%s\n");
        page.OnInitDialog();
    }
};

TEST_F(EnginesPageTest, ListsEnginesInTheOrderTheWindowSearchesThem)
{
    EXPECT_EQ(page.GetNames().Get(), (std::vector<std::string>{"zeta", "Alpha"}));
    EXPECT_EQ(page.GetState(), PageState::Idle);
    EXPECT_TRUE(page.IsNameEnabled());
    EXPECT_FALSE(page.AreDoneAndCancelEnabled());
}

TEST_F(EnginesPageTest, AddingWritesTheKeysInOrderAndDerivesTheType)
{
    page.New();
    EXPECT_TRUE(page.AreDoneAndCancelEnabled());
    page.fields = {"  Beta  ", "", " http://b/find "};
    ASSERT_TRUE(page.Done());
    EXPECT_EQ(page.GetState(), PageState::Idle);
    EXPECT_EQ(page.fields.name, "");
    const std::string text = ReadFile(file);
    const auto at = text.find("[Beta]\nSearch=Y\nURL=\nQuery=http://b/find\nType=C\nDate=");
    EXPECT_NE(at, std::string::npos) << text;
    EXPECT_EQ(page.GetNames().Get(), (std::vector<std::string>{"zeta", "Alpha", "Beta"})) << "added at the end";
    EXPECT_EQ(page.GetSavedName(), "Beta");
}

TEST_F(EnginesPageTest, AnswerKeyHeaderAndPagesAreWrittenOnlyWhenNotTheDefault)
{
    page.Edit("Alpha");
    page.fields.json = true;
    page.fields.results = " web.results[].url ";
    page.fields.key = " s3cret ";
    page.fields.header = "X-Subscription-Token: %k";
    page.fields.pages = 99;
    page.fields.pageSize = 20;
    ASSERT_TRUE(page.Done()) << page.GetProblem();
    EXPECT_EQ(page.GetNotice(), "");
    const ProfileSnapshot saved(file);
    EXPECT_EQ(saved.FindValue("Alpha", "Format"), "json");
    EXPECT_EQ(saved.FindValue("Alpha", "Results"), "web.results[].url");
    EXPECT_EQ(saved.FindValue("Alpha", "Key"), "s3cret");
    EXPECT_EQ(saved.FindValue("Alpha", "Header"), "X-Subscription-Token: %k");
    EXPECT_EQ(saved.FindValue("Alpha", "Pages"), "10") << "at most ten pages";
    EXPECT_EQ(saved.FindValue("Alpha", "PageSize"), "20");
    page.Show("Alpha");
    EXPECT_TRUE(page.fields.json);
    EXPECT_EQ(page.fields.key, "s3cret");
    EXPECT_EQ(page.fields.pages, 10);

    // Back to a plain engine: its section is as it was before.
    page.Edit("Alpha");
    page.fields.json = false;
    page.fields.results = page.fields.key = page.fields.header = "";
    page.fields.pages = 1;
    page.fields.pageSize = 10;
    ASSERT_TRUE(page.Done());
    for (const char* key : {"Format", "Results", "Key", "Header", "Pages", "PageSize"})
        EXPECT_FALSE(ProfileSnapshot(file).FindValue("Alpha", key)) << key;
}

TEST_F(EnginesPageTest, AHeaderMustBeANameAndAValueAndAKeyIsAskedFor)
{
    page.Edit("Alpha");
    for (const char* header : {"no colon", ": value", "Two words: value"}) {
        page.fields.header = header;
        EXPECT_FALSE(page.Done()) << header;
        EXPECT_EQ(page.GetProblem(), "The header must read \"Name: value\", such as \"X-Subscription-Token: %k\".");
        EXPECT_EQ(page.GetState(), PageState::Editing);
    }
    page.fields.header = "API-Key: %k";
    ASSERT_TRUE(page.Done());
    EXPECT_EQ(page.GetNotice(), "\"Alpha\" asks with an API key (%k) but has none: fill in the key to search it.");
}

TEST_F(EnginesPageTest, MovingAnEngineReordersTheFileAndKeepsEveryLine)
{
    EXPECT_FALSE(page.Move(std::string("zeta"), -1)) << "the first cannot go up";
    EXPECT_FALSE(page.Move(std::string("Alpha"), 1)) << "the last cannot go down";
    EXPECT_FALSE(page.Move(std::nullopt, 1));
    ASSERT_TRUE(page.Move(std::string("Alpha"), -1));
    EXPECT_EQ(page.GetNames().Get(), (std::vector<std::string>{"Alpha", "zeta"}));
    EXPECT_EQ(ReadFile(file), "[Settings]\nMaxthreads=5\n[Alpha]\nURL=http://a/\nQuery=http://a/?q=%s\n\n"
                              "[zeta]\nQuery=http://z/?q=%s\nSearch=N\n\n");
    // What the window reads is the same order.
    EXPECT_EQ(SplitNulList(ProfileSnapshot(file).GetSectionNames(4096)),
              (std::vector<std::string>{"Settings", "Alpha", "zeta"}));
    ASSERT_TRUE(page.Move(std::string("Alpha"), 1));
    EXPECT_EQ(page.GetNames().Get(), (std::vector<std::string>{"zeta", "Alpha"}));
    page.Edit(std::string("zeta"));
    EXPECT_FALSE(page.Move(std::string("zeta"), 1)) << "not while a form is open";
}

TEST_F(EnginesPageTest, RefusalsKeepTheStateAndTheFields)
{
    page.New();
    page.fields = {"ALPHA", "", "http://x/?q=%s"};
    EXPECT_FALSE(page.Done()) << "a name listed in another letter case";
    EXPECT_EQ(page.GetState(), PageState::Adding);
    EXPECT_EQ(page.fields.name, "ALPHA");
    page.fields = {"New", "", "   "};
    EXPECT_FALSE(page.Done()) << "no query";
    page.fields = {"", "", "http://x/?q=%s"};
    EXPECT_FALSE(page.Done()) << "no name";
    EXPECT_EQ(ReadFile(file).find("[New]"), std::string::npos);
}

TEST_F(EnginesPageTest, EditingKeepsTheTickAndCanDropAnEngineFromTheTree)
{
    page.Edit(std::string("zeta"));
    EXPECT_EQ(page.GetState(), PageState::Editing);
    EXPECT_FALSE(page.IsNameEnabled());
    EXPECT_EQ(page.fields.query, "http://z/?q=%s");
    page.fields.query = "http://z/static";
    ASSERT_TRUE(page.Done());
    EXPECT_EQ(ProfileSnapshot(file).GetString("zeta", "Type", "", 2), "C");
    EXPECT_EQ(ProfileSnapshot(file).GetString("zeta", "Search", "", 2), "N");
    page.Edit(std::string("Alpha"));
    page.Cancel();
    EXPECT_FALSE(page.IsNameEnabled()) << "Cancel leaves the name field as it was";
    page.New();
    EXPECT_TRUE(page.IsNameEnabled());
    page.Edit(std::nullopt);
    EXPECT_EQ(page.GetState(), PageState::Adding) << "Edit without a selection does nothing";
}

TEST_F(EnginesPageTest, EditAndDoneKeepAQueryAsLongAsTheSearchReadsIt)
{
    const std::string query = "http://long.example/?q=%s&" + std::string(900, 'p');
    ProfileEdit::WriteString(file, "Alpha", "Query", query);
    page.Edit("Alpha");
    EXPECT_EQ(page.fields.query, query);
    ASSERT_TRUE(page.Done());
    EXPECT_EQ(ProfileSnapshot(file).GetString("Alpha", "Query", "", 1024), query);
}

TEST_F(EnginesPageTest, DeleteRemovesTheSectionAtOnce)
{
    page.Delete(std::string("Alpha"));
    EXPECT_EQ(page.GetNames().Get(), (std::vector<std::string>{"zeta"}));
    EXPECT_EQ(ReadFile(file).find("Alpha"), std::string::npos);
    page.Delete(std::nullopt);
    EXPECT_EQ(page.GetNames().Get().size(), 1u);
}

class ClientsPageTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string settings = dir.File("settings.dat");
    std::string clients = dir.File("clients.dat");
    ClientsPageModel page{settings, clients};
};

TEST_F(ClientsPageTest, TwoLineScriptsRoundTripAndTheLastClientStays)
{
    page.OnInitDialog();
    EXPECT_EQ(page.fields.localDir, "./");
    page.New();
    page.fields.name = "lftp";
    page.fields.path = "  lftp \n";
    page.fields.args = "-f %s";
    page.fields.script = "\r\nopen %h\r\nget %r%f\n\n";
    ASSERT_TRUE(page.Done());
    EXPECT_EQ(ProfileSnapshot(clients).GetString("lftp", "Path", "", 256), "lftp");
    EXPECT_EQ(ProfileSnapshot(clients).GetString("lftp", "Script", "", 5120), "open %h\\nget %r%f");
    page.Edit(std::string("lftp"));
    EXPECT_EQ(page.fields.script, "open %h\r\nget %r%f");
    page.Delete(std::string("lftp"));
    EXPECT_EQ(page.GetNames().Get().size(), 1u) << "the last client cannot be deleted";
    EXPECT_EQ(page.GetState(), PageState::Editing);
}

TEST_F(ClientsPageTest, OnlyUseForGetFileChangesTheClientAndLocalDirIsKeptAsTyped)
{
    WriteFile(clients, "[zftp]\nPath=z\n[Alpha]\nPath=a\n");
    WriteFile(settings, "[Settings]\nFTPClient=zftp\n");
    page.OnInitDialog();
    EXPECT_EQ(page.GetChosenClient(), "zftp");
    page.Show(std::string("Alpha")); // looking at another client
    page.fields.localDir = " /srv/in ";
    page.OnOK();
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Settings", "FTPClient", "", 256), "zftp")
        << "looking at a client and pressing OK changes nothing";
    EXPECT_NE(ReadFile(settings).find("LocalDir= /srv/in \n"), std::string::npos);
    page.UseForGetFile(std::string("Alpha"));
    page.OnOK();
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Settings", "FTPClient", "", 256), "Alpha");
    page.UseForGetFile(std::string("missing"));
    EXPECT_EQ(page.GetChosenClient(), "Alpha") << "only a listed client can be chosen";
    page.Delete(std::string("Alpha"));
    page.OnOK();
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Settings", "FTPClient", "", 256), "zftp")
        << "a deleted client gives way to the first listed";
    page.New();
    page.fields.name = "ZFTP";
    page.fields.path = "x";
    EXPECT_FALSE(page.Done()) << "names are told apart without regard to case";
    page.fields.name = "beta";
    page.fields.path = "";
    EXPECT_FALSE(page.Done()) << "no path";
}

TEST_F(ClientsPageTest, AnEmptyListMakesNoClientActive)
{
    WriteFile(settings, "[Settings]\nFTPClient=gone\n");
    page.OnInitDialog();
    page.OnOK();
    EXPECT_EQ(ProfileSnapshot(settings).GetString("Settings", "FTPClient", "X", 256), "");
}

TEST(GeneralPageTest, TheThreadLimitRunsFromOneToTwenty)
{
    EXPECT_EQ(ParseThreadLimit("1"), 1);
    EXPECT_EQ(ParseThreadLimit(" 20 "), 20);
    EXPECT_EQ(ParseThreadLimit("010"), 10);
    for (const char* bad : {"0", "21", "", "-3", "5x", "99999999999"})
        EXPECT_FALSE(ParseThreadLimit(bad)) << bad;
}

TEST(GeneralPageTest, AStoredThreadLimitIsClampedWhoeverWroteIt)
{
    EXPECT_EQ(ClampThreadLimit("7"), 7);
    EXPECT_EQ(ClampThreadLimit("0"), 1);
    EXPECT_EQ(ClampThreadLimit("-3"), 1);
    EXPECT_EQ(ClampThreadLimit("1000"), 20);
    EXPECT_EQ(ClampThreadLimit("99999999999"), 20);
    EXPECT_EQ(ClampThreadLimit("12abc"), 12);
    EXPECT_EQ(ClampThreadLimit("abc"), 5) << "no number: the default";
    EXPECT_EQ(ClampThreadLimit(""), 5);
    EXPECT_EQ(ClampThreadLimit("-"), 5);
}

} // namespace
} // namespace velmora
