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
        return GetPrivateProfileStringA(section, key, def, size, file);
    }
};

TEST_F(ProfileStoreTest, MissingFileReadsAsDefaultsAndEmptyLists)
{
    EXPECT_EQ(Get("Settings", "Maxthreads", "5"), "5");
    EXPECT_EQ(GetPrivateProfileIntA("Settings", "Maxthreads", 5, file), 5);
    EXPECT_TRUE(SplitNulList(GetPrivateProfileSectionNamesA(8000, file)).empty());
    EXPECT_TRUE(SplitNulList(GetPrivateProfileSectionA("Settings", 2048, file)).empty());
}

TEST_F(ProfileStoreTest, WritesCreateFileSectionsAndKeysInOrder)
{
    ASSERT_TRUE(WritePrivateProfileStringA("Settings", "Maxthreads", "7", file));
    ASSERT_TRUE(WritePrivateProfileStringA("Alpha", "Query", "http://a/?q=%s", file));
    ASSERT_TRUE(WritePrivateProfileStringA("Settings", "Filter", "0", file));
    ASSERT_TRUE(WritePrivateProfileStringA("Alpha", "Query", "http://b/?q=%s", file));
    EXPECT_EQ(ReadFile(file), "[Settings]\nMaxthreads=7\nFilter=0\n\n[Alpha]\nQuery=http://b/?q=%s\n");
    EXPECT_EQ(GetPrivateProfileIntA("Settings", "Maxthreads", 5, file), 7);
    EXPECT_EQ(Get("Alpha", "Query"), "http://b/?q=%s");
}

TEST_F(ProfileStoreTest, NamesMatchWithoutRegardToCaseAndKeepTheFilesSpelling)
{
    WriteFile(file, "[SETTINGS]\nMAXTHREADS=3\n[Engine]\nsearch=Y\n");
    EXPECT_EQ(GetPrivateProfileIntA("settings", "maxthreads", 5, file), 3);
    ASSERT_TRUE(WritePrivateProfileStringA("engine", "Search", "N", file));
    ASSERT_TRUE(WritePrivateProfileStringA("Settings", "maxThreads", "9", file));
    EXPECT_EQ(ReadFile(file), "[SETTINGS]\nMAXTHREADS=9\n[Engine]\nsearch=N\n");
}

TEST_F(ProfileStoreTest, FileNamesMatchWithoutRegardToCase)
{
    WriteFile(dir.File("Settings.dat"), "[Settings]\nFilter=0\n");
    EXPECT_EQ(GetPrivateProfileIntA("Settings", "Filter", 1, dir.File("settings.dat")), 0);
    ASSERT_TRUE(WritePrivateProfileStringA("Settings", "Filter", "1", dir.File("SETTINGS.DAT")));
    EXPECT_EQ(ReadFile(dir.File("Settings.dat")), "[Settings]\nFilter=1\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("settings.dat")) &&
                 std::filesystem::exists(dir.File("SETTINGS.DAT")));
}

TEST_F(ProfileStoreTest, ValuesAreTrimmedOnReadButStoredAsPassed)
{
    ASSERT_TRUE(WritePrivateProfileStringA("E", "Date", " 6122026", file));
    EXPECT_EQ(ReadFile(file), "[E]\nDate= 6122026\n");
    EXPECT_EQ(Get("E", "Date"), "6122026");
    WriteFile(file, "[E]\n  Key \t=\t  spaced value \t\nEmpty=\n");
    EXPECT_EQ(Get("E", "key"), "spaced value");
    EXPECT_EQ(Get("E", "Empty"), "") << "a present empty value is not the default";
    EXPECT_EQ(GetPrivateProfileIntA("E", "Empty", 42, file), 42) << "an empty value reads as the default int";
}

TEST_F(ProfileStoreTest, ReadsAreCutAtTheBufferSizeMinusOne)
{
    const std::string longValue(10000, 'v');
    ASSERT_TRUE(WritePrivateProfileStringA("C", "Script", longValue, file));
    EXPECT_EQ(Get("C", "Script", "", 5120), std::string(5119, 'v'));
    EXPECT_EQ(Get("C", "Script", "", 256).size(), 255u);
    EXPECT_EQ(Get("C", "Missing", "SX", 2), "S") << "the default is cut too";
    EXPECT_EQ(Get("C", "Script", "", 0), "");
    EXPECT_EQ(Get("C", "Script", "", 20000), longValue);
}

TEST_F(ProfileStoreTest, IntegersReadAsTheStoreReadsThem)
{
    WriteFile(file, "[N]\nstamp= 6122026\nold=30 42000\ntext=abc\nneg=-3\nmixed=12abc\nhuge=99999999999\nblank=   \n");
    EXPECT_EQ(GetPrivateProfileIntA("N", "stamp", 0, file), 6122026);
    EXPECT_EQ(GetPrivateProfileIntA("N", "old", 0, file), 30);
    EXPECT_EQ(GetPrivateProfileIntA("N", "text", 7, file), 0);
    EXPECT_EQ(GetPrivateProfileIntA("N", "neg", 7, file), -3);
    EXPECT_EQ(GetPrivateProfileIntA("N", "mixed", 7, file), 12);
    EXPECT_EQ(GetPrivateProfileIntA("N", "huge", 7, file), INT_MAX);
    EXPECT_EQ(GetPrivateProfileIntA("N", "blank", 7, file), 7);
    EXPECT_EQ(GetPrivateProfileIntA("N", "absent", 7, file), 7);
}

TEST_F(ProfileStoreTest, SectionNamesComeInFileOrderAndOnlyWholeNamesFit)
{
    WriteFile(file, "[Settings]\n[Alpha]\n[Beta]\n[Gamma]\n");
    EXPECT_EQ(SplitNulList(GetPrivateProfileSectionNamesA(8000, file)),
              (std::vector<std::string>{"Settings", "Alpha", "Beta", "Gamma"}));
    const std::string cut = GetPrivateProfileSectionNamesA(15, file);
    ASSERT_LE(cut.size(), 15u);
    EXPECT_EQ(cut.substr(cut.size() - 2), std::string(2, '\0'));
    EXPECT_EQ(SplitNulList(cut), (std::vector<std::string>{"Settings", "Beta"}))
        << "a name that does not fit is left out, never cut into a phantom";
}

TEST_F(ProfileStoreTest, AnOversizedOrNulNameIsSkippedAndTheSectionsAfterItStay)
{
    WriteFile(file, "[" + std::string(9000, 'L') + "]\nQuery=x\n[Real]\nQuery=r\n[Sp" + std::string(1, '\0') +
                        "lit]\nQuery=s\n[After]\n");
    EXPECT_EQ(SplitNulList(GetPrivateProfileSectionNamesA(8000, file)), (std::vector<std::string>{"Real", "After"}));
}

TEST_F(ProfileStoreTest, SectionReadListsEntriesAndKeepsOnlyWholeOnes)
{
    WriteFile(file, "[Engine]\nURL = http://e/\n; note\nQuery=http://e/?q=%s\n\n[Other]\nx=1\n");
    EXPECT_EQ(SplitNulList(GetPrivateProfileSectionA("ENGINE", 2048, file)),
              (std::vector<std::string>{"URL=http://e/", "Query=http://e/?q=%s"}));
    const std::string cut = GetPrivateProfileSectionA("Engine", 16, file);
    EXPECT_EQ(SplitNulList(cut), (std::vector<std::string>{"URL=http://e/"}));
    EXPECT_EQ(cut.substr(cut.size() - 2), std::string(2, '\0'));
}

TEST_F(ProfileStoreTest, SectionWriteReplacesKeysAndNullDeletes)
{
    WriteFile(file, "[A]\nx=1\ny=2\n\n[B]\nz=3\n");
    ASSERT_TRUE(WritePrivateProfileSectionA("a", JoinNulList({"Path=/usr/bin/lftp", "Args=-f %s"}), file));
    EXPECT_EQ(ReadFile(file), "[A]\nPath=/usr/bin/lftp\nArgs=-f %s\n\n[B]\nz=3\n");
    ASSERT_TRUE(WritePrivateProfileSectionA("C", JoinNulList({"k=v"}), file));
    ASSERT_TRUE(WritePrivateProfileSectionA("A", std::nullopt, file));
    EXPECT_EQ(ReadFile(file), "[B]\nz=3\n\n[C]\nk=v\n");
    EXPECT_EQ(Get("A", "Path"), "DEF");
    ASSERT_TRUE(WritePrivateProfileSectionA("Missing", std::nullopt, file));
    EXPECT_EQ(ReadFile(file), "[B]\nz=3\n\n[C]\nk=v\n");
}

TEST_F(ProfileStoreTest, WritesThatWouldBreakTheFileAreRefusedAndChangeNothing)
{
    WriteFile(file, "[A]\nx=1\n");
    EXPECT_FALSE(WritePrivateProfileStringA("A", "x", "1\n[Injected]\ny=2", file));
    EXPECT_FALSE(WritePrivateProfileStringA("A", "k=v", "1", file));
    EXPECT_FALSE(WritePrivateProfileStringA("A\r\nB", "x", "1", file));
    EXPECT_FALSE(WritePrivateProfileStringA("A", "[B]", "1", file));
    EXPECT_FALSE(WritePrivateProfileSectionA("A", JoinNulList({"ok=1", "[Injected]"}), file));
    EXPECT_FALSE(WritePrivateProfileSectionA("A", JoinNulList({"bad=1\nx=2"}), file));
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
    ASSERT_TRUE(WritePrivateProfileStringA("Settings", "Maxthreads", "4", file));
    EXPECT_EQ(mode(), 0644u) << "an empty Key is no key: the file keeps its permissions";
    ASSERT_TRUE(WritePrivateProfileStringA("Brave API", "Key", "s3cret", file));
    EXPECT_EQ(mode(), 0600u);
    ProfileEdit edit(file);
    edit.SetString("Settings", "Filter", "0");
    ASSERT_TRUE(edit.Commit());
    EXPECT_EQ(mode(), 0600u);
}

} // namespace
} // namespace velmora
