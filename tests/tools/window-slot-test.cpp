// Download windows open at once each take their own place.

#include "window-slot.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "test-support.h"

namespace velmora {
namespace {

TEST(WindowSlotTest, EachOpenWindowTakesTheLowestFreePlace)
{
    test::TempDir dir;
    const std::string folder = dir.File("slots");
    auto first = std::make_unique<WindowSlot>(folder);
    const WindowSlot second(folder);
    EXPECT_EQ(first->Number(), 0);
    EXPECT_EQ(second.Number(), 1);
    first.reset(); // that window closed: its place is free again
    const WindowSlot third(folder);
    EXPECT_EQ(third.Number(), 0);
    // Another process sees the places as taken too.
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(WindowSlot(folder).Number() == 2 ? 0 : 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(WindowSlot("").Number(), 0) << "no folder: the first place";
}

TEST(WindowSlotTest, TheLocksLiveInTheUsersOwnFolder)
{
    const char* runtime = ::getenv("XDG_RUNTIME_DIR");
    const std::string saved = runtime ? runtime : "";
    ::setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
    EXPECT_EQ(WindowSlotFolder(), "/run/user/1000/velmora");
    ::setenv("XDG_RUNTIME_DIR", "relative", 1);
    EXPECT_NE(WindowSlotFolder(), "relative/velmora") << "a relative path is no place for them";
    runtime ? ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
} // namespace velmora
