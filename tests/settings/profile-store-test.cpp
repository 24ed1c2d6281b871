#include "settings/profile-store.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "test-support.h"

namespace velmora {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class ProfileStoreTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir.File("settings.dat");

    std::string Get(const char* section, const char* key, const char* def = "DEF", std::size_t size = 256)
    {
        return ProfileSnapshot(file).GetString(section, key, def, size);
    }
};

TEST_F(ProfileStoreTest, MissingFileReadsAsDefaultsAndEmptyLists)
{
    EXPECT_EQ(Get("Settings", "Maxthreads", "5"), "5");
    EXPECT_EQ(ProfileSnapshot(file).GetInt("Settings", "Maxthreads", 5), 5);
    EXPECT_TRUE(SplitNulList(ProfileSnapshot(file).GetSectionNames(8000)).empty());
    EXPECT_TRUE(SplitNulList(ProfileSnapshot(file).GetSection("Settings", 2048)).empty());
}

TEST_F(ProfileStoreTest, WritesCreateFileSectionsAndKeysInOrder)
{
    ASSERT_TRUE(ProfileEdit::WriteString(file, "Settings", "Maxthreads", "7"));
    ASSERT_TRUE(ProfileEdit::WriteString(file, "Alpha", "Query", "http://a/?q=%s"));
    ASSERT_TRUE(ProfileEdit::WriteString(file, "Settings", "Filter", "0"));
    ASSERT_TRUE(ProfileEdit::WriteString(file, "Alpha", "Query", "http://b/?q=%s"));
    EXPECT_EQ(ReadFile(file), "[Settings]\nMaxthreads=7\nFilter=0\n\n[Alpha]\nQuery=http://b/?q=%s\n");
    EXPECT_EQ(ProfileSnapshot(file).GetInt("Settings", "Maxthreads", 5), 7);
    EXPECT_EQ(Get("Alpha", "Query"), "http://b/?q=%s");
}

TEST_F(ProfileStoreTest, NamesMatchWithoutRegardToCaseAndKeepTheFilesSpelling)
{
    WriteFile(file, "[SETTINGS]\nMAXTHREADS=3\n[Engine]\nsearch=Y\n");
    EXPECT_EQ(ProfileSnapshot(file).GetInt("settings", "maxthreads", 5), 3);
    ASSERT_TRUE(ProfileEdit::WriteString(file, "engine", "Search", "N"));
    ASSERT_TRUE(ProfileEdit::WriteString(file, "Settings", "maxThreads", "9"));
    EXPECT_EQ(ReadFile(file), "[SETTINGS]\nMAXTHREADS=9\n[Engine]\nsearch=N\n");
}

TEST_F(ProfileStoreTest, FileNamesMatchWithoutRegardToCase)
{
    WriteFile(dir.File("Settings.dat"), "[Settings]\nFilter=0\n");
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetInt("Settings", "Filter", 1), 0);
    ASSERT_TRUE(ProfileEdit::WriteString(dir.File("SETTINGS.DAT"), "Settings", "Filter", "1"));
    EXPECT_EQ(ReadFile(dir.File("Settings.dat")), "[Settings]\nFilter=1\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("settings.dat")) &&
                 std::filesystem::exists(dir.File("SETTINGS.DAT")));
}

TEST_F(ProfileStoreTest, ValuesAreTrimmedOnReadButStoredAsPassed)
{
    ASSERT_TRUE(ProfileEdit::WriteString(file, "E", "Date", " 6122026"));
    EXPECT_EQ(ReadFile(file), "[E]\nDate= 6122026\n");
    EXPECT_EQ(Get("E", "Date"), "6122026");
    WriteFile(file, "[E]\n  Key \t=\t  spaced value \t\nEmpty=\n");
    EXPECT_EQ(Get("E", "key"), "spaced value");
    EXPECT_EQ(Get("E", "Empty"), "") << "a present empty value is not the default";
    EXPECT_EQ(ProfileSnapshot(file).GetInt("E", "Empty", 42), 42) << "an empty value reads as the default int";
}

TEST_F(ProfileStoreTest, ReadsAreCutAtTheBufferSizeMinusOne)
{
    const std::string longValue(10000, 'v');
    ASSERT_TRUE(ProfileEdit::WriteString(file, "C", "Script", longValue));
    EXPECT_EQ(Get("C", "Script", "", 5120), std::string(5119, 'v'));
    EXPECT_EQ(Get("C", "Script", "", 256).size(), 255u);
    EXPECT_EQ(Get("C", "Missing", "SX", 2), "S") << "the default is cut too";
    EXPECT_EQ(Get("C", "Script", "", 0), "");
    EXPECT_EQ(Get("C", "Script", "", 20000), longValue);
}

TEST_F(ProfileStoreTest, IntegersReadAsTheStoreReadsThem)
{
    WriteFile(file, "[N]\nstamp= 6122026\nold=30 42000\ntext=abc\nneg=-3\nmixed=12abc\nhuge=99999999999\nblank=   \n");
    EXPECT_EQ(ProfileSnapshot(file).GetInt("N", "stamp", 0), 6122026);
    EXPECT_EQ(ProfileSnapshot(file).GetInt("N", "old", 0), 30);
    EXPECT_EQ(ProfileSnapshot(file).GetInt("N", "text", 7), 0);
    EXPECT_EQ(ProfileSnapshot(file).GetInt("N", "neg", 7), -3);
    EXPECT_EQ(ProfileSnapshot(file).GetInt("N", "mixed", 7), 12);
    EXPECT_EQ(ProfileSnapshot(file).GetInt("N", "huge", 7), INT_MAX);
    EXPECT_EQ(ProfileSnapshot(file).GetInt("N", "blank", 7), 7);
    EXPECT_EQ(ProfileSnapshot(file).GetInt("N", "absent", 7), 7);
}

TEST_F(ProfileStoreTest, SectionNamesComeInFileOrderAndOnlyWholeNamesFit)
{
    WriteFile(file, "[Settings]\n[Alpha]\n[Beta]\n[Gamma]\n");
    EXPECT_EQ(SplitNulList(ProfileSnapshot(file).GetSectionNames(8000)),
              (std::vector<std::string>{"Settings", "Alpha", "Beta", "Gamma"}));
    const std::string cut = ProfileSnapshot(file).GetSectionNames(15);
    ASSERT_LE(cut.size(), 15u);
    EXPECT_EQ(cut.substr(cut.size() - 2), std::string(2, '\0'));
    EXPECT_EQ(SplitNulList(cut), (std::vector<std::string>{"Settings", "Beta"}))
        << "a name that does not fit is left out, never cut into a phantom";
}

TEST_F(ProfileStoreTest, AnOversizedOrNulNameIsSkippedAndTheSectionsAfterItStay)
{
    WriteFile(file, "[" + std::string(9000, 'L') + "]\nQuery=x\n[Real]\nQuery=r\n[Sp" + std::string(1, '\0') +
                        "lit]\nQuery=s\n[After]\n");
    EXPECT_EQ(SplitNulList(ProfileSnapshot(file).GetSectionNames(8000)), (std::vector<std::string>{"Real", "After"}));
}

TEST_F(ProfileStoreTest, SectionReadListsEntriesAndKeepsOnlyWholeOnes)
{
    WriteFile(file, "[Engine]\nURL = http://e/\n; note\nQuery=http://e/?q=%s\n\n[Other]\nx=1\n");
    EXPECT_EQ(SplitNulList(ProfileSnapshot(file).GetSection("ENGINE", 2048)),
              (std::vector<std::string>{"URL=http://e/", "Query=http://e/?q=%s"}));
    const std::string cut = ProfileSnapshot(file).GetSection("Engine", 16);
    EXPECT_EQ(SplitNulList(cut), (std::vector<std::string>{"URL=http://e/"}));
    EXPECT_EQ(cut.substr(cut.size() - 2), std::string(2, '\0'));
}

TEST_F(ProfileStoreTest, SectionWriteReplacesKeysAndNullDeletes)
{
    WriteFile(file, "[A]\nx=1\ny=2\n\n[B]\nz=3\n");
    ASSERT_TRUE(ProfileEdit::WriteSection(file, "a", JoinNulList({"Path=/usr/bin/lftp", "Args=-f %s"})));
    EXPECT_EQ(ReadFile(file), "[A]\nPath=/usr/bin/lftp\nArgs=-f %s\n\n[B]\nz=3\n");
    ASSERT_TRUE(ProfileEdit::WriteSection(file, "C", JoinNulList({"k=v"})));
    ASSERT_TRUE(ProfileEdit::WriteSection(file, "A", std::nullopt));
    EXPECT_EQ(ReadFile(file), "[B]\nz=3\n\n[C]\nk=v\n");
    EXPECT_EQ(Get("A", "Path"), "DEF");
    ASSERT_TRUE(ProfileEdit::WriteSection(file, "Missing", std::nullopt));
    EXPECT_EQ(ReadFile(file), "[B]\nz=3\n\n[C]\nk=v\n");
}

TEST_F(ProfileStoreTest, WritesThatWouldBreakTheFileAreRefusedAndChangeNothing)
{
    WriteFile(file, "[A]\nx=1\n");
    EXPECT_FALSE(ProfileEdit::WriteString(file, "A", "x", "1\n[Injected]\ny=2"));
    EXPECT_FALSE(ProfileEdit::WriteString(file, "A", "k=v", "1"));
    EXPECT_FALSE(ProfileEdit::WriteString(file, "A\r\nB", "x", "1"));
    EXPECT_FALSE(ProfileEdit::WriteString(file, "A", "[B]", "1"));
    EXPECT_FALSE(ProfileEdit::WriteSection(file, "A", JoinNulList({"ok=1", "[Injected]"})));
    EXPECT_FALSE(ProfileEdit::WriteSection(file, "A", JoinNulList({"bad=1\nx=2"})));
    EXPECT_EQ(ReadFile(file), "[A]\nx=1\n");
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

TEST(ProfileKeyTest, AFileThatHoldsAnApiKeyIsWrittenForItsOwnerOnly)
{
    test::TempDir dir;
    const std::string file = dir.File("settings.dat");
    test::WriteFile(file, "[Settings]\nMaxthreads=3\n[Brave API]\nKey=\n");
    ::chmod(file.c_str(), 0644);
    const auto mode = [&] {
        struct stat info {};
        ::stat(file.c_str(), &info);
        return info.st_mode & 0777;
    };
    ASSERT_TRUE(ProfileEdit::WriteString(file, "Settings", "Maxthreads", "4"));
    EXPECT_EQ(mode(), 0644u) << "an empty Key is no key: the file keeps its permissions";
    ASSERT_TRUE(ProfileEdit::WriteString(file, "Brave API", "Key", "s3cret"));
    EXPECT_EQ(mode(), 0600u);
    ProfileEdit edit(file);
    edit.SetString("Settings", "Filter", "0");
    ASSERT_TRUE(edit.Commit());
    EXPECT_EQ(mode(), 0600u);
}

} // namespace
} // namespace velmora
