// A merge killed at any moment leaves the file as it was or as it would be
// after the merge, never between, and the next writer clears what the
// killed one left behind.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "settings/profile-store.h"
#include "test-support.h"
#include "upgrade/upgrade-offer.h"

namespace velmora {
namespace {

constexpr int kEngines = 150;

std::string Answer(char generation)
{
    std::string text;
    const std::string padding(6000, generation);
    for (int i = 0; i < kEngines; ++i)
        text += "[E" + std::to_string(i) + "]\nQuery=http://e/?g=" + std::string(1, generation) + padding + "%s\n";
    return text;
}

// The generations the engines of the file carry; one when the file is whole.
std::set<char> Generations(const std::string& settings)
{
    std::set<char> seen;
    const ProfileSnapshot file(settings);
    for (int i = 0; i < kEngines; ++i) {
        const std::string query = file.GetString("E" + std::to_string(i), "Query", "", 1 << 16);
        seen.insert(query.size() > 17 ? query[17] : '?');
    }
    return seen;
}

int TemporaryFiles(const test::TempDir& dir)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        count += entry.path().filename().string().starts_with(".settings.dat.tmp.") ? 1 : 0;
    return count;
}

TEST(MergeKillTest, AKilledMergeIsAllOrNothingAndLeavesNoTemporaryFiles)
{
    test::TempDir dir;
    const std::string settings = dir.File("settings.dat");
    test::WriteFile(dir.File("a.tmp"), Answer('a'));
    test::WriteFile(dir.File("b.tmp"), Answer('b'));
    std::vector<std::string> names;
    for (int i = 0; i < kEngines; ++i)
        names.push_back("E" + std::to_string(i));
    // One merge's time, so the kills land across the whole of one.
    ASSERT_TRUE(MergeSections(dir.File("b.tmp"), settings, names, EngineMerge()).ok);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(MergeSections(dir.File("a.tmp"), settings, names, EngineMerge()).ok);
    const auto window = std::max<long>(
        200, std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());

    std::mt19937 random(7);
    int killedMidway = 0;
    // A hundred rounds, and more (up to 400) while fewer than half of the
    // kills came mid-merge: a loaded machine runs the child late.
    for (int round = 0; round < 400 && (round < 100 || killedMidway <= 50); ++round) {
        const std::set<char> before = Generations(settings);
        ASSERT_EQ(before.size(), 1u) << "round " << round;
        const std::string next = *before.begin() == 'a' ? dir.File("b.tmp") : dir.File("a.tmp");
        const pid_t child = ::fork();
        if (child == 0) {
            MergeSections(next, settings, names, EngineMerge());
            ::_exit(0);
        }
        ::usleep(static_cast<useconds_t>(random() % static_cast<unsigned long>(window)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        killedMidway += WIFSIGNALED(status) ? 1 : 0;
        const std::set<char> after = Generations(settings);
        ASSERT_EQ(after.size(), 1u) << "a merge killed in round " << round << " left a mix";
    }
    EXPECT_GT(killedMidway, 50) << "the kills came while merges ran";
    ASSERT_TRUE(ProfileEdit::WriteString(settings, "Settings", "Filter", "1"));
    EXPECT_EQ(TemporaryFiles(dir), 0) << "a later write removes what killed writers left";
}

} // namespace
} // namespace velmora
