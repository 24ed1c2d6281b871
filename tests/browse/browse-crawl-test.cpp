// The crawl's own plan, with listers the test writes: what it does when a
// lister fails in ways no server should be able to make it fail.

#include "browse/browse-crawl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "browse/browse-settings.h"
#include "browse/directory-lister.h"
#include "platform/message-queue.h"
#include "platform/url-split.h"
#include "test-support.h"

namespace velmora {
namespace {

// Lists each folder as `entriesOf` says, or throws once `throwAt` folders were listed.
class ScriptedLister : public DirectoryLister {
public:
    using Entries = std::function<std::vector<ListedEntry>(const std::string& directory)>;
    ScriptedLister(Entries entriesOf, int throwAt) : m_entriesOf(std::move(entriesOf)), m_throwAt(throwAt) {}
    ScriptedLister(std::vector<ListedEntry> entries, int throwAt)
        : ScriptedLister([entries](const std::string&) { return entries; }, throwAt)
    {
    }
    ListOutcome List(const std::string& directory) override
    {
        if (m_listed++ == m_throwAt)
            throw std::runtime_error("lister broke");
        ListOutcome outcome;
        outcome.ok = true;
        outcome.entries = m_entriesOf(directory);
        return outcome;
    }

private:
    Entries m_entriesOf;
    int m_throwAt;
    int m_listed = 0;
};

struct CrawlRecord {
    std::vector<BrowseListing> listed;
    std::vector<BrowseSkip> skipped;
    std::optional<BrowseSummary> summary;
};

// Runs a crawl of an FTP target (no robots.txt) with `workers` threads until
// its summary comes, at most ten seconds.
CrawlRecord RunCrawl(const BrowseLimits& limits, const std::function<std::unique_ptr<DirectoryLister>()>& make,
                     int workers = 1)
{
    BrowseTarget target;
    target.service = kServiceFtp;
    target.server = "files.example.org";
    target.port = 21;
    target.startDirectory = "/pub/";
    auto queue = std::make_shared<MessageQueue>();
    auto crawl = std::make_shared<BrowseCrawl>(1, target, limits, queue);
    crawl->makeLister = make;
    CrawlRecord record;
    if (!StartBrowseWorkers(crawl, workers))
        return record;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!record.summary && std::chrono::steady_clock::now() < deadline) {
        auto message = queue->WaitTake(std::chrono::milliseconds(100));
        if (!message)
            continue;
        if (message->id == kMsgBrowseListed)
            record.listed.push_back(*std::static_pointer_cast<BrowseListing>(message->record));
        else if (message->id == kMsgBrowseSkipped)
            record.skipped.push_back(*std::static_pointer_cast<BrowseSkip>(message->record));
        else if (message->id == kMsgBrowseDone)
            record.summary = *std::static_pointer_cast<BrowseSummary>(message->record);
    }
    return record;
}

ListedEntry Folder(std::string name)
{
    return {std::move(name), true, {}, {}};
}

ListedEntry File(std::string name)
{
    return {std::move(name), false, 1, {}};
}

TEST(BrowseCrawlTest, AListerThatThrowsEndsTheBrowseWithAReasonInsteadOfTheProgram)
{
    BrowseLimits limits;
    limits.delayFactor = 0;
    for (const int workers : {1, 3}) {
        const CrawlRecord record = RunCrawl(
            limits,
            [] {
                return std::make_unique<ScriptedLister>(std::vector{Folder("a"), File("f.bin")}, 1);
            },
            workers);
        ASSERT_TRUE(record.summary) << "the summary comes although a worker failed";
        ASSERT_FALSE(record.listed.empty());
        ASSERT_FALSE(record.skipped.empty());
        EXPECT_NE(record.skipped.back().reason.find("internal failure (lister broke)"), std::string::npos)
            << record.skipped.back().reason;
    }
}

// A server that takes `took` to answer each listing; the times each
// listing began and ended are kept.
class SlowLister : public DirectoryLister {
public:
    using Times = std::vector<std::pair<std::chrono::steady_clock::time_point, std::chrono::steady_clock::time_point>>;
    SlowLister(std::chrono::milliseconds took, std::shared_ptr<Times> times) : m_took(took), m_times(std::move(times))
    {
    }
    ListOutcome List(const std::string& directory) override
    {
        const auto began = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(m_took);
        m_times->emplace_back(began, std::chrono::steady_clock::now());
        ListOutcome outcome;
        outcome.ok = true;
        if (directory == "/pub/")
            outcome.entries = {Folder("a"), Folder("b")};
        return outcome;
    }

private:
    std::chrono::milliseconds m_took;
    std::shared_ptr<Times> m_times;
};

TEST(BrowseCrawlTest, EachRequestWaitsInProportionToHowLongTheServerTookCapped)
{
    using namespace std::chrono_literals;
    const auto gaps = [](double factor, std::chrono::milliseconds longest) {
        BrowseLimits limits;
        limits.delayFactor = factor;
        limits.longestDelay = longest;
        auto times = std::make_shared<SlowLister::Times>();
        const CrawlRecord record =
            RunCrawl(limits, [times] { return std::make_unique<SlowLister>(std::chrono::milliseconds(80), times); });
        EXPECT_TRUE(record.summary);
        std::vector<std::chrono::milliseconds> between;
        for (std::size_t i = 1; i < times->size(); ++i)
            between.push_back(
                std::chrono::duration_cast<std::chrono::milliseconds>((*times)[i].first - (*times)[i - 1].second));
        EXPECT_EQ(between.size(), 2u) << "three folders, one connection";
        return between;
    };
    for (const auto gap : gaps(1.0, 2000ms))
        EXPECT_GE(gap, 75ms) << "as long as the server took";
    for (const auto gap : gaps(0.5, 2000ms))
        EXPECT_GE(gap, 35ms) << "half as long";
    for (const auto gap : gaps(10.0, 100ms)) {
        EXPECT_GE(gap, 95ms);
        EXPECT_LT(gap, 700ms) << "never more than the longest wait (10 x 80 ms would be 800)";
    }
}

TEST(BrowseSettingsTest, TheDelayFactorAndConnectionsAreReadWithinTheirRanges)
{
    test::TempDir dir;
    const std::string settings = dir.File("settings.dat");
    test::WriteFile(settings, "[Settings]\n");
    BrowseLimits limits = ReadBrowseLimits(settings);
    EXPECT_EQ(limits.delayFactor, 1.0);
    EXPECT_EQ(limits.connections, 2);
    for (const auto& [text, expected] : std::vector<std::pair<std::string, double>>{
             {"0.5", 0.5}, {"0", 0.0}, {"2", 2.0}, {"11", 1.0}, {"-1", 1.0}, {"0,5", 1.0}, {"fast", 1.0}}) {
        test::WriteFile(settings, "[Settings]\nBrowseDelayFactor=" + text + "\nBrowseConnections=9\n");
        limits = ReadBrowseLimits(settings);
        EXPECT_EQ(limits.delayFactor, expected) << text;
        EXPECT_EQ(limits.connections, kMaxBrowseConnections);
    }
}

TEST(BrowseCrawlTest, TheFileCapIsToldOnceForAllTheFoldersLeft)
{
    BrowseLimits limits;
    limits.delayFactor = 0;
    limits.maxFiles = 2;
    std::vector<ListedEntry> entries{File("x.bin"), File("y.bin"), File("z.bin")};
    for (int i = 0; i < 5000; ++i)
        entries.push_back(Folder("d" + std::to_string(i)));
    const CrawlRecord record = RunCrawl(limits, [&] { return std::make_unique<ScriptedLister>(entries, -1); });
    ASSERT_TRUE(record.summary);
    EXPECT_EQ(record.summary->files, 2u);
    ASSERT_EQ(record.skipped.size(), 1u);
    EXPECT_EQ(record.skipped[0].reason, "The cap of 2 files was reached; 5000 folders were left unlisted.");
    EXPECT_EQ(record.summary->skipped, 5000u);
}

TEST(BrowseCrawlTest, AFolderThatListsWhatAnAncestorListsIsNotEntered)
{
    // Every folder holds "b/" and one file: b is a link back up, as a
    // symbolic link to its parent makes it on a real server.
    BrowseLimits limits;
    limits.delayFactor = 0;
    limits.depth = 50;
    const CrawlRecord record = RunCrawl(limits, [] {
        return std::make_unique<ScriptedLister>(std::vector{Folder("b"), File("f")}, -1);
    });
    ASSERT_TRUE(record.summary);
    ASSERT_EQ(record.listed.size(), 2u) << "/pub/ and /pub/b/, not fifty levels of b";
    EXPECT_EQ(record.listed[1].directory, "/pub/b/");
    ASSERT_EQ(record.skipped.size(), 1u);
    EXPECT_EQ(record.skipped[0].reason,
              "It lists the same as ftp://files.example.org/pub/, so its folders are not entered again.");

    // Folders alike side by side, or alike but for one name, are entered.
    const ScriptedLister::Entries tree = [](const std::string& directory) -> std::vector<ListedEntry> {
        if (directory == "/pub/")
            return {Folder("a"), Folder("b")};
        if (std::count(directory.begin(), directory.end(), '/') == 3)
            return {Folder("c"), File("readme.txt")};
        return {File("readme.txt")};
    };
    const CrawlRecord alike = RunCrawl(limits, [&] { return std::make_unique<ScriptedLister>(tree, -1); });
    ASSERT_TRUE(alike.summary);
    EXPECT_TRUE(alike.skipped.empty());
    EXPECT_EQ(alike.listed.size(), 5u) << "pub, a, b, a/c, b/c";
}

} // namespace
} // namespace velmora
