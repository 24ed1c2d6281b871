// Files laid out by hand or by other programs, and writes that fail.

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "settings/profile-store.h"
#include "test-support.h"

namespace velmora {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class ProfileLayoutTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir.File("settings.dat");

    std::string Get(const char* section, const char* key)
    {
        return ProfileSnapshot(file).GetString(section, key, "DEF", 1024);
    }
};

TEST_F(ProfileLayoutTest, CrLfFilesReadAndKeepTheirLineEnds)
{
    WriteFile(file, "[Settings]\r\nMaxthreads=8\r\n\r\n[Engine]\r\nQuery=http://e/?q=%s\r\n");
    EXPECT_EQ(ProfileSnapshot(file).GetInt("Settings", "Maxthreads", 5), 8);
    EXPECT_EQ(Get("Engine", "Query"), "http://e/?q=%s") << "no CR left on the value";
    ASSERT_TRUE(ProfileEdit::WriteString(file, "Engine", "Search", "N"));
    EXPECT_EQ(ReadFile(file), "[Settings]\r\nMaxthreads=8\r\n\r\n[Engine]\r\nQuery=http://e/?q=%s\r\nSearch=N\r\n");
}

TEST_F(ProfileLayoutTest, StrayCrAtLineEndAndMissingFinalLineEndAreRead)
{
    WriteFile(file, "[A]\nx=1\r\ny=2");
    EXPECT_EQ(Get("A", "x"), "1");
    EXPECT_EQ(Get("A", "y"), "2");
}

TEST_F(ProfileLayoutTest, EveryCrBeforeALineEndBelongsToTheLineEnd)
{
    WriteFile(file, "[A]\r\r\nx=1\r\r\r\ny=two words \r\r\n");
    EXPECT_EQ(Get("A", "x"), "1");
    EXPECT_EQ(Get("A", "y"), "two words");
    ASSERT_TRUE(ProfileEdit::WriteString(file, "A", "z", "3"));
    EXPECT_EQ(ReadFile(file), "[A]\r\nx=1\r\ny=two words \r\nz=3\r\n") << "the file keeps CR LF line ends";
}

TEST_F(ProfileLayoutTest, CommentsAndBlankLinesAreSkippedAndKept)
{
    WriteFile(file, "; settings for Velmora\n\n[A]\n  ; x=commented\n\nx=1\n\n; trailer\n[B]\n");
    EXPECT_EQ(Get("A", "x"), "1");
    EXPECT_EQ(SplitNulList(ProfileSnapshot(file).GetSectionNames(8000)), (std::vector<std::string>{"A", "B"}));
    ASSERT_TRUE(ProfileEdit::WriteString(file, "A", "y", "2"));
    EXPECT_EQ(ReadFile(file), "; settings for Velmora\n\n[A]\n  ; x=commented\n\nx=1\n\n; trailer\ny=2\n[B]\n");
}

TEST_F(ProfileLayoutTest, DuplicateSectionsActAsOne)
{
    WriteFile(file, "[Eng]\nQuery=first\n[Other]\n[ENG]\nQuery=second\nSearch=N\n");
    EXPECT_EQ(SplitNulList(ProfileSnapshot(file).GetSectionNames(8000)), (std::vector<std::string>{"Eng", "Other"}));
    EXPECT_EQ(Get("eng", "Query"), "first");
    EXPECT_EQ(Get("eng", "Search"), "N") << "a key only in the later copy is still found";
    ASSERT_TRUE(ProfileEdit::WriteString(file, "Eng", "Search", "Y"));
    EXPECT_EQ(Get("eng", "Search"), "Y");
    ASSERT_TRUE(ProfileEdit::WriteSection(file, "Eng", JoinNulList({"Query=only"})));
    EXPECT_EQ(ReadFile(file), "[Eng]\nQuery=only\n[Other]\n");
}

TEST_F(ProfileLayoutTest, KeyWithoutEqualsIsNoKeyButStaysInTheFile)
{
    WriteFile(file, "[A]\nlonely\nx=1\n");
    EXPECT_EQ(Get("A", "lonely"), "DEF");
    EXPECT_EQ(SplitNulList(ProfileSnapshot(file).GetSection("A", 2048)), (std::vector<std::string>{"lonely", "x=1"}));
    ASSERT_TRUE(ProfileEdit::WriteString(file, "A", "lonely", "now"));
    EXPECT_EQ(ReadFile(file), "[A]\nlonely\nx=1\nlonely=now\n");
}

TEST_F(ProfileLayoutTest, LongValuesAndOddLinesSurviveARoundTrip)
{
    const std::string longValue(10000, 'q');
    WriteFile(file, "junk before any section\nx=outside\n[A]\nv=" + longValue + "\n[broken\n=novalue\n");
    EXPECT_EQ(ProfileSnapshot(file).GetString("A", "v", "", 20000), longValue);
    EXPECT_EQ(Get("A", "x"), "DEF") << "keys before the first section belong to none";
    EXPECT_EQ(SplitNulList(ProfileSnapshot(file).GetSectionNames(8000)), (std::vector<std::string>{"A"}));
    ASSERT_TRUE(ProfileEdit::WriteString(file, "A", "w", "1"));
    EXPECT_EQ(ProfileSnapshot(file).GetString("A", "v", "", 20000), longValue);
    EXPECT_NE(ReadFile(file).find("[broken\n=novalue\nw=1\n"), std::string::npos);
}

bool OnlyFileIn(const TempDir& dir, const std::string& name)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++count;
        if (entry.path().filename() != name)
            return false;
    }
    return count == 1;
}

TEST_F(ProfileLayoutTest, AWriteThatRunsOutOfSpaceLeavesTheOldFileWhole)
{
    const std::string old = "[Settings]\nMaxthreads=8\n";
    WriteFile(file, old);
    // A file-size limit makes the write fail part-way, as a full disk does.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool written = ProfileEdit::WriteString(file, "Settings", "LocalDir", std::string(4096, 'd'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(file), old);
    EXPECT_TRUE(OnlyFileIn(dir, "settings.dat")) << "no temporary file is left behind";
}

TEST_F(ProfileLayoutTest, AWriteIntoAMissingFolderFailsCleanly)
{
    EXPECT_FALSE(ProfileEdit::WriteString(dir.File("no/such/folder/settings.dat"), "A", "x", "1"));
    WriteFile(file, "[A]\nx=1\n");
    EXPECT_FALSE(ProfileEdit::WriteString(file + "/inside.dat", "A", "x", "1")) << "a file is no folder";
    EXPECT_EQ(ReadFile(file), "[A]\nx=1\n");
}

TEST_F(ProfileLayoutTest, AWriteIntoALockedFolderFailsCleanly)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    WriteFile(file, "[A]\nx=1\n");
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_FALSE(ProfileEdit::WriteString(file, "A", "x", "2"));
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadFile(file), "[A]\nx=1\n");
}

TEST_F(ProfileLayoutTest, WritingThroughALinkKeepsTheLink)
{
    const std::string real = dir.File("real.dat");
    WriteFile(real, "[A]\nx=1\n");
    std::filesystem::create_symlink(real, file);
    ASSERT_TRUE(ProfileEdit::WriteString(file, "A", "x", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(ReadFile(real), "[A]\nx=2\n");
}

} // namespace
} // namespace velmora
