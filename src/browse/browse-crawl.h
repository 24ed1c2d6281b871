#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "browse/browse-limits.h"
#include "browse/browse-target.h"
#include "browse/directory-lister.h"
#include "browse/listed-entry.h"
#include "browse/robots-rules.h"
#include "platform/http-fetch.h"

namespace velmora {

class MessageQueue;

// One directory listed: its files (at most what the file cap left) and how
// many subdirectories it had.
struct BrowseListing {
    std::string directory; // decoded path, "/" at both ends
    std::string url;       // as shown
    std::vector<ListedEntry> files;
    std::size_t directories = 0;
};

// A directory not listed, and why.
struct BrowseSkip {
    std::string url;
    std::string reason;
};

// How the browse ended.
struct BrowseSummary {
    bool startListed = false; // the start directory (or its fallback) was listed
    std::size_t files = 0;
    std::size_t directories = 0;
    std::size_t skipped = 0;
    bool stopped = false;
};

// One browse of one server, shared by the owner and its workers (each
// with a connection of its own). The workers list directories breadth
// first from a frontier they share behind a lock: the plan of the whole
// browse lives here, so no worker waits for the owner. They post every
// listing and skip to the owner's queue, and the last one to finish posts
// the summary. The owner only reads `id` and writes `stop`.
class BrowseCrawl {
public:
    BrowseCrawl(std::uint64_t id, BrowseTarget target, BrowseLimits limits, std::shared_ptr<MessageQueue> queue);

    const std::uint64_t id;
    std::atomic<bool> stop{false};

    // Makes each worker's lister; by default the one for the target's
    // protocol. Set before the workers start.
    std::function<std::unique_ptr<DirectoryLister>()> makeLister;

    const BrowseTarget& GetTarget() const { return m_target; }
    const BrowseLimits& GetLimits() const { return m_limits; }
    // The body of one worker.
    void Work();
    // How many workers were started: the last of them to end posts the
    // summary.
    void SetWorkerCount(int workers);

private:
    struct Pending {
        std::string directory;
        int depth = 0;
    };
    // What a worker does with one listed directory.
    struct LeftOut;
    void Take(const Pending& pending, std::vector<ListedEntry> entries);
    void QueueFolder(const Pending& pending, const std::string& name, LeftOut& leftOut);
    void TellLeftOut(const Pending& pending, const LeftOut& leftOut);
    void Skip(const std::string& directory, const std::string& reason);
    FetchResult FetchRobots(std::string& text);
    void LoadRobots();
    void Crawl(bool& busy);
    void LeaveTheRest();
    void TakeOutcome(const Pending& next, ListOutcome outcome);
    std::optional<std::string> RepeatedAncestor(const std::string& directory, std::uint64_t fingerprint);
    bool StartOver(const Pending& failed);
    void Post(std::uint32_t id, std::shared_ptr<void> record);

    const BrowseTarget m_target;
    const BrowseLimits m_limits;
    const std::shared_ptr<MessageQueue> m_queue;

    ServerFindings m_findings; // what the workers' listers learn of the server
    std::once_flag m_robotsLoaded;
    RobotsRules m_robots;
    std::string m_robotsRefusal;          // why everything is refused when robots.txt could not be read
    std::chrono::milliseconds m_pause{0}; // the least wait between requests: robots.txt's Crawl-delay
    std::chrono::milliseconds NextWait(std::chrono::steady_clock::duration took) const;
    // One connection's pace: when it last asked, and how long to wait.
    struct Pace {
        std::chrono::steady_clock::time_point lastRequest{};
        std::chrono::milliseconds wait{0};
    };
    ListOutcome ListPolitely(DirectoryLister& lister, const std::string& directory, Pace& pace);
    void SettleKinds(DirectoryLister& lister, const std::string& directory, std::vector<ListedEntry>& entries,
                     Pace& pace);
    // Waits until the connection's pace allows its next request.
    void AwaitTurn(const Pace& pace);
    ListOutcome ListPagePolitely(DirectoryLister& lister, const std::string& directory, const std::string& after,
                                 Pace& pace);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Pending> m_frontier;
    std::unordered_set<std::string> m_seen;
    std::unordered_map<std::string, std::uint64_t> m_fingerprints; // what each listed folder held
    int m_busy = 0;
    int m_left = -1;
    bool m_startTried = false;
    BrowseSummary m_summary;
};

// Starts `workers` threads on the crawl that nobody waits for; false when
// none could be started.
bool StartBrowseWorkers(const std::shared_ptr<BrowseCrawl>& crawl, int workers);

} // namespace velmora
