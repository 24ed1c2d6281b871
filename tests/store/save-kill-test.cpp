// A save killed at any moment leaves the database usable, with every save
// that finished whole and nothing of the one that did not.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "platform/url-split.h"
#include "store/search-store.h"
#include "store/sqlite-db.h"
#include "test-support.h"

namespace velmora {
namespace {

constexpr int kResults = 2000;

SearchUpdate BigSearch(int round)
{
    SearchUpdate update;
    update.name = "round " + std::to_string(round);
    update.words = update.name;
    update.when = 1765000000 + round;
    update.servers = 30;
    for (int i = 0; i < kResults; ++i) {
        SavedResult result;
        result.record.service = kServiceHttp;
        result.record.port = 80;
        result.record.server = "server" + std::to_string(i % 30) + ".example.org";
        result.record.path = "/files/" + std::to_string(round) + "/file-" + std::to_string(i) + ".iso";
        result.record.user = "anonymous";
        result.record.password = "velmora@example.org";
        result.engine = "One";
        update.newResults.push_back(std::move(result));
    }
    return update;
}

// Saves one search after another until it is killed, telling the id of
// each that finished on `report`, so a kill always lands inside a save.
[[noreturn]] void SaveUntilKilled(const std::string& folder, int round, int report)
{
    Result<std::unique_ptr<SearchStore>> opening = SearchStore::Open(folder);
    const SearchUpdate search = BigSearch(round);
    while (opening) {
        if (const auto id = (*opening)->Save(search)) {
            const std::string line = std::to_string(*id) + "\n";
            [[maybe_unused]] const ssize_t written = ::write(report, line.data(), line.size());
        }
    }
    ::_exit(1);
}

TEST(SaveKillTest, ASaveKilledAtAnyMomentLeavesEveryFinishedSearchWhole)
{
    test::TempDir dir;
    // One save's time, so the kills land across the whole of one.
    const auto start = std::chrono::steady_clock::now();
    {
        Result<std::unique_ptr<SearchStore>> opening = SearchStore::Open(dir.Path());
        ASSERT_TRUE(opening) << opening.Why();
        const Result<std::int64_t> saved = (*opening)->Save(BigSearch(-1));
        ASSERT_TRUE(saved) << saved.Why();
    }
    const auto window = std::max<long>(
        500, std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());

    std::mt19937 random(11);
    std::set<std::int64_t> finished;
    int killedMidway = 0;
    for (int round = 0; round < 100; ++round) {
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            SaveUntilKilled(dir.Path(), round, pipeEnds[1]);
        }
        ::close(pipeEnds[1]);
        ::usleep(static_cast<useconds_t>(random() % static_cast<unsigned long>(window * 2)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        killedMidway += WIFSIGNALED(status) ? 1 : 0;
        std::string reported;
        char text[256];
        for (ssize_t got = 0; (got = ::read(pipeEnds[0], text, sizeof text)) > 0;)
            reported.append(text, static_cast<std::size_t>(got));
        ::close(pipeEnds[0]);
        for (std::size_t at = 0, end = 0; (end = reported.find('\n', at)) != std::string::npos; at = end + 1)
            finished.insert(std::stoll(reported.substr(at, end - at)));

        // Whatever the kill interrupted, the database opens and holds only
        // whole searches.
        Result<std::unique_ptr<SearchStore>> opening = SearchStore::Open(dir.Path());
        ASSERT_TRUE(opening) << "round " << round << ": " << opening.Why();
        SqliteDb db;
        ASSERT_TRUE(db.Open(dir.File(kSearchesFile), 1000));
        SqliteStatement searches(db, "SELECT s.id, s.results, (SELECT count(*) FROM results r WHERE r.search = s.id) "
                                     "FROM searches s");
        std::set<std::int64_t> held;
        while (searches.Step()) {
            held.insert(searches.Int(0));
            ASSERT_EQ(searches.Int(1), kResults) << "round " << round << ", search " << searches.Int(0);
            ASSERT_EQ(searches.Int(2), kResults) << "round " << round << ", search " << searches.Int(0);
        }
        ASSERT_FALSE(searches.Failed()) << "round " << round;
        for (const std::int64_t id : finished)
            ASSERT_TRUE(held.contains(id)) << "a finished save was lost in round " << round;
    }
    const auto last = SearchStore::Open(dir.Path());
    ASSERT_TRUE(last) << last.Why();
    ASSERT_TRUE((*last)->FindLatest(std::nullopt));
    EXPECT_EQ((*last)->Load(*(*last)->FindLatest(std::nullopt))->results.size(), static_cast<std::size_t>(kResults));
    SqliteDb db;
    ASSERT_TRUE(db.Open(dir.File(kSearchesFile), 1000));
    SqliteStatement check(db, "PRAGMA integrity_check");
    ASSERT_TRUE(check.Step());
    EXPECT_EQ(check.Text(0), "ok");
    EXPECT_EQ(killedMidway, 100) << "every round ended by the kill, inside a save";
    EXPECT_GT(finished.size(), 5u) << "some saves finished between the kills";
}

} // namespace
} // namespace velmora
