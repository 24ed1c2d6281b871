// Files written whole or not at all, with the permissions asked for.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/atomic-file.h"
#include "test-support.h"

namespace velmora {
namespace {

unsigned ModeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0u;
}

std::size_t CountFiles(const std::string& folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

TEST(AtomicFileTest, ANewFileHasTheModeAskedForAndAReplacedOneKeepsItsOwn)
{
    test::TempDir dir;
    const std::string secret = dir.File("settings.dat");
    ASSERT_TRUE(WriteFileAtomically(secret, "[Settings]\n", 0600));
    EXPECT_EQ(ModeOf(secret), 0600u);
    EXPECT_EQ(test::ReadFile(secret), "[Settings]\n");

    const std::string shared = dir.File("clients.dat");
    test::WriteFile(shared, "old");
    ASSERT_EQ(::chmod(shared.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(shared, "new"));
    EXPECT_EQ(test::ReadFile(shared), "new");
    EXPECT_EQ(ModeOf(shared), 0640u) << "the user's choice of permissions stays";
    EXPECT_EQ(CountFiles(dir.Path()), 2u) << "no temporary file is left behind";
}

TEST(AtomicFileTest, KeepLeavesAFileMadeMeanwhileAndWritesOneThatIsNotThere)
{
    test::TempDir dir;
    const std::string path = dir.File("settings.dat");
    test::WriteFile(path, "the user's own");
    ASSERT_TRUE(WriteFileAtomically(path, "seed", 0600, IfExists::Keep));
    EXPECT_EQ(test::ReadFile(path), "the user's own");
    EXPECT_EQ(CountFiles(dir.Path()), 1u);

    const std::string fresh = dir.File("clients.dat");
    ASSERT_TRUE(WriteFileAtomically(fresh, "seed", std::nullopt, IfExists::Keep));
    EXPECT_EQ(test::ReadFile(fresh), "seed");
    EXPECT_EQ(CountFiles(dir.Path()), 2u);
}

TEST(AtomicFileTest, AFailedWriteSaysWhyAndLeavesNothing)
{
    test::TempDir dir;
    const Result<void> written = WriteFileAtomically(dir.File("gone/settings.dat"), "text");
    EXPECT_FALSE(written);
    EXPECT_EQ(written.Error().code, ENOENT);
    EXPECT_EQ(written.Why(), "No such file or directory");
    EXPECT_EQ(CountFiles(dir.Path()), 0u);
}

TEST(AtomicFileTest, LeftoversOfAWriterThatDiedAreRemovedAndALiveOnesKept)
{
    test::TempDir dir;
    // A process id no process has (above the kernel's largest) and ours.
    const std::string dead = dir.File(".settings.dat.tmp.2147483646.0");
    const std::string live = dir.File(".settings.dat.tmp." + std::to_string(::getpid()) + ".77");
    test::WriteFile(dead, "half");
    test::WriteFile(live, "in progress");
    ASSERT_TRUE(WriteFileAtomically(dir.File("settings.dat"), "whole"));
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(live));
}

} // namespace
} // namespace velmora
