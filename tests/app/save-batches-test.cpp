// A search is saved in batches while its results stream in: killed at any
// moment, the database opens whole and holds all but the last batches.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include "app/search-session.h"
#include "results/result-list.h"
#include "results/server-tree.h"
#include "store/search-recorder.h"
#include "store/sqlite-db.h"
#include "test-support.h"

namespace velmora {
namespace {

Message LinkMessage(std::size_t n)
{
    Message message;
    message.id = kMsgFoundFtpLink;
    message.jobId = 1;
    message.link = std::make_unique<FoundLink>();
    message.link->text = "ftp://server" + std::to_string(n % 50) + ".example.org/pub/dir" + std::to_string(n % 900) +
                         "/file" + std::to_string(n) + ".iso";
    return message;
}

std::string PathOf(const Message& link)
{
    return link.link->text.substr(link.link->text.find("/pub/"));
}

// Takes in results for ever, 50,000 a second (a fast search; the disk
// takes them faster), telling when it had taken how many on `report` now
// and then.
[[noreturn]] void StreamUntilKilled(const std::string& folder, int report)
{
    test::WriteFile(folder + "/settings.dat", "[Settings]\nFilter=0\nAutoTest=0\n");
    SearchSession session(folder);
    session.Initialize();
    session.SetSaving(true);
    session.OnSearch("moon"); // no engines: over at once, intake on
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t n = 0;; ++n) {
        session.HandleMessage(LinkMessage(n));
        if (n % 1024 == 0) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(n * 20));
            session.ProcessMessages();
            const std::string line = std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + " " +
                                     std::to_string(session.GetResultCount()) + "\n";
            [[maybe_unused]] const ssize_t written = ::write(report, line.data(), line.size());
        }
    }
}

// How long before a kill a result must have been taken to be saved: the
// batch being written and the one filling, with room for a busy machine. A
// sanitizer slows the writer several times over, and ctest runs others
// beside it: it gets twice the room.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::chrono::milliseconds kWellBefore{3000};
#else
constexpr std::chrono::milliseconds kWellBefore{1500};
#endif

// Whatever a kill interrupts, the database opens whole, and every result
// taken well before the kill (kWellBefore) was saved.
TEST(SaveBatchesTest, ASearchKilledWhileResultsStreamInLosesOnlyItsLastBatches)
{
    std::mt19937 random(7);
    for (int round = 0; round < 3; ++round) {
        test::TempDir dir;
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            StreamUntilKilled(dir.Path(), pipeEnds[1]);
        }
        ::close(pipeEnds[1]);
        // The kill lands at a random moment, 2.5 to 3.5 s in, and not before
        // more than two batches were taken kWellBefore earlier: a machine
        // slowed down (a sanitizer, other builds) streams slower.
        const auto started = std::chrono::steady_clock::now();
        const auto earliest = started + std::chrono::microseconds(2500000 + random() % 1000000);
        std::optional<std::chrono::steady_clock::time_point> enough;
        std::string reported;
        std::size_t parsed = 0;
        long lastTaken = 0;
        char text[4096];
        while (std::chrono::steady_clock::now() - started < std::chrono::seconds(60)) {
            const auto now = std::chrono::steady_clock::now();
            if (enough && now >= std::max(earliest, *enough + kWellBefore + std::chrono::milliseconds(100)))
                break;
            pollfd ready{pipeEnds[0], POLLIN, 0};
            if (::poll(&ready, 1, 20) == 1) {
                const ssize_t got = ::read(pipeEnds[0], text, sizeof text);
                if (got > 0)
                    reported.append(text, static_cast<std::size_t>(got));
            }
            // Each whole line: "when taken".
            for (std::size_t end = 0; (end = reported.find('\n', parsed)) != std::string::npos; parsed = end + 1) {
                const std::size_t space = reported.find(' ', parsed);
                if (space < end)
                    lastTaken = std::stol(reported.substr(space + 1, end - space - 1));
            }
            if (!enough && lastTaken > 2 * static_cast<long>(SearchRecorder::kBatchResults))
                enough = std::chrono::steady_clock::now();
        }
        ::kill(child, SIGKILL);
        const auto killed = std::chrono::steady_clock::now().time_since_epoch().count();
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
        for (ssize_t got = 0; (got = ::read(pipeEnds[0], text, sizeof text)) > 0;)
            reported.append(text, static_cast<std::size_t>(got));
        ::close(pipeEnds[0]);
        std::istringstream lines(reported);
        const auto wellBefore = killed - std::chrono::nanoseconds(kWellBefore).count();
        long long when = 0;
        long taken = 0;
        long mustBeSaved = 0;
        while (lines >> when >> taken)
            if (when <= wellBefore)
                mustBeSaved = taken;
        ASSERT_GT(mustBeSaved, 2 * static_cast<long>(SearchRecorder::kBatchResults)) << "round " << round;

        // The file opens, and the search row counts exactly the rows it has,
        // numbered without a gap.
        Result<std::unique_ptr<SearchStore>> opening = SearchStore::Open(dir.Path());
        ASSERT_TRUE(opening) << opening.Why();
        SqliteDb db;
        ASSERT_TRUE(db.Open(dir.File(kSearchesFile), 1000));
        SqliteStatement counts(db, "SELECT s.results, count(r.n), max(r.n) FROM searches s JOIN results r "
                                   "ON r.search = s.id GROUP BY s.id");
        ASSERT_TRUE(counts.Step()) << "round " << round << ": nothing was saved of " << taken << " results";
        const std::int64_t saved = counts.Int(0);
        EXPECT_EQ(counts.Int(1), saved);
        EXPECT_EQ(counts.Int(2), saved - 1);
        EXPECT_FALSE(counts.Step()) << "one search";
        EXPECT_GE(saved, mustBeSaved) << "round " << round << ": " << saved << " of " << taken << " saved";
    }
}

// Many batches' worth of results, a new search straight after, and the same
// words again: every result is saved, in order, and the repeat marks new
// only the files the first run did not hold.
TEST(SaveBatchesTest, ASearchLetGoMidwayIsSavedWholeAndTellsTheNextRunWhatIsNew)
{
    test::TempDir dir;
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nFilter=0\nAutoTest=0\n");
    constexpr std::size_t kFirst = 3 * SearchRecorder::kBatchResults + 123;
    {
        SearchSession session(dir.Path());
        session.Initialize();
        session.SetSaving(true);
        session.OnSearch("moon");
        for (std::size_t n = 0; n < kFirst; ++n)
            session.HandleMessage(LinkMessage(n));
        session.OnSearch("sun"); // the writer is still busy with "moon"
        session.HandleMessage(LinkMessage(0));
        session.OnSearch("moon");
        // Half of these the first run held.
        for (std::size_t n = kFirst - 1000; n < kFirst + 1000; ++n)
            session.HandleMessage(LinkMessage(n));
        std::size_t marked = 0;
        for (std::size_t id = 0; id < session.GetResults().GetCount(); ++id)
            marked += session.GetResults().IsNew(static_cast<ResultId>(id)) ? 1 : 0;
        EXPECT_EQ(marked, 1000u);
    }
    Result<std::unique_ptr<SearchStore>> opening = SearchStore::Open(dir.Path());
    ASSERT_TRUE(opening) << opening.Why();
    const auto searches = (*opening)->List();
    ASSERT_EQ(searches.size(), 3u);
    const auto first = (*opening)->Load(searches[2].id);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->results.size(), kFirst);
    for (std::size_t n = 0; n < kFirst; n += 997)
        ASSERT_EQ(first->results[n].record.path, PathOf(LinkMessage(n))) << n;
    const auto again = (*opening)->Load(searches[0].id);
    ASSERT_TRUE(again);
    ASSERT_EQ(again->results.size(), 2000u);
    EXPECT_FALSE(again->results[999].isNew);
    EXPECT_TRUE(again->results[1000].isNew);
}

// After a written save the next is made at once only when one is owed: a
// save held back, a batch the last one could not take, a batch's worth, or
// half a second's. Otherwise a fast disk would get a save every few results.
TEST(SaveBatchesTest, ResultsThatComeWhileABatchIsWrittenWaitForABatch)
{
    test::TempDir dir;
    auto reports = std::make_shared<MessageQueue>();
    SearchRecorder recorder(dir.Path(), reports);
    recorder.SetEnabled(true);
    const Result<void> kept = recorder.Begin("moon", "moon");
    ASSERT_TRUE(kept) << kept.Why();
    ResultList results;
    ServerTree servers;
    const auto take = [&results](std::size_t from, std::size_t to) {
        for (std::size_t n = from; n < to; ++n)
            results.Add(*MakeResultEntry(LinkMessage(n).link->text, 1));
    };
    take(0, 10);
    recorder.Save(results, servers, {});
    recorder.Flush();
    EXPECT_FALSE(recorder.IsNextSaveDue(results.GetCount())) << "all saved";
    take(10, 15);
    EXPECT_FALSE(recorder.IsNextSaveDue(results.GetCount())) << "five results are no batch";
    take(15, 10 + SearchRecorder::kBatchResults);
    EXPECT_TRUE(recorder.IsNextSaveDue(results.GetCount())) << "a batch's worth";
    take(10 + SearchRecorder::kBatchResults, 10 + 3 * SearchRecorder::kBatchResults);
    recorder.Save(results, servers, {});
    EXPECT_TRUE(recorder.IsNextSaveDue(results.GetCount())) << "the save took one batch of three";
    recorder.Save(results, servers, {});
    recorder.Save(results, servers, {});
    recorder.Flush();
    EXPECT_FALSE(recorder.IsNextSaveDue(results.GetCount()));
    take(10 + 3 * SearchRecorder::kBatchResults, 11 + 3 * SearchRecorder::kBatchResults);
    std::this_thread::sleep_for(SearchRecorder::kBatchWait + std::chrono::milliseconds(50));
    EXPECT_TRUE(recorder.IsNextSaveDue(results.GetCount())) << "one result, but half a second since the last save";
    recorder.Save(results, servers, {});
    recorder.Flush();
    Result<std::unique_ptr<SearchStore>> opening = SearchStore::Open(dir.Path());
    ASSERT_TRUE(opening) << opening.Why();
    const auto saved = (*opening)->Load((*opening)->List().front().id);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->results.size(), results.GetCount());
}

} // namespace
} // namespace velmora
