// Programs started and watched: how they ended, and the last thing they
// said on their error output, even when it is long or hostile.

#include <gtest/gtest.h>

#include "platform/process-launch.h"
#include "test-support.h"

namespace velmora {
namespace {

ProgramEnd RunScript(const std::string& script)
{
    test::TempDir dir;
    auto program = StartWatched({"/bin/sh", "-c", script}, dir.Path());
    EXPECT_TRUE(program);
    return program ? program->Wait() : ProgramEnd{};
}

TEST(ProcessLaunchTest, AWatchedProgramTellsItsOutcomeAndLastErrorLine)
{
    const ProgramEnd failed = RunScript("echo first >&2; echo 'get: Access failed: 550 (a.zip)' >&2; echo >&2; exit 3");
    EXPECT_FALSE(failed.succeeded);
    EXPECT_EQ(failed.lastErrorLine, "get: Access failed: 550 (a.zip)");
    const ProgramEnd quiet = RunScript("exit 4");
    EXPECT_FALSE(quiet.succeeded);
    EXPECT_EQ(quiet.lastErrorLine, "it ended with exit status 4");
    const ProgramEnd killed = RunScript("kill -9 $$");
    EXPECT_FALSE(killed.succeeded);
    EXPECT_EQ(killed.lastErrorLine, "it was stopped by a signal");
    const ProgramEnd fine = RunScript("echo 'a warning' >&2; exit 0");
    EXPECT_TRUE(fine.succeeded);
    // Only the tail of a long output is read.
    const ProgramEnd chatty =
        RunScript("i=0; while [ $i -lt 3000 ]; do echo \"line $i\" >&2; i=$((i+1)); done; exit 1");
    EXPECT_EQ(chatty.lastErrorLine, "line 2999");
}

TEST(ProcessLaunchTest, AWatchedProgramRunsInItsFolderOrIsNotStarted)
{
    test::TempDir dir;
    auto inFolder = StartWatched({"/bin/sh", "-c", "pwd >&2; exit 1"}, dir.Path());
    ASSERT_TRUE(inFolder);
    EXPECT_EQ(inFolder->Wait().lastErrorLine, dir.Path());
    EXPECT_FALSE(StartWatched({"velmora-no-such-program"}, dir.Path()));
    EXPECT_FALSE(StartWatched({"/bin/sh", "-c", "exit 0"}, dir.File("missing")));
    EXPECT_FALSE(StartWatched({}, dir.Path()));
}

TEST(ProcessLaunchTest, TheLastLineIsMadeSafeToShowAndShort)
{
    EXPECT_EQ(LastLine("one\r\ntwo  \r\n\r\n"), "two");
    EXPECT_EQ(LastLine("\x1b[31mred\x1b[0m\n"), "\\x1b[31mred\\x1b[0m");
    EXPECT_EQ(LastLine(" \n\t\n"), "");
    EXPECT_EQ(LastLine(std::string(400, 'x'), 300), std::string(300, 'x') + "...");
    // A cut never splits a character.
    std::string wide;
    for (int i = 0; i < 200; ++i)
        wide += "\xc3\xa9";
    const std::string cut = LastLine(wide, 301);
    EXPECT_EQ(cut, wide.substr(0, 300) + "...");
}

} // namespace
} // namespace velmora
