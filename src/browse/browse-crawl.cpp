#include "browse/browse-crawl.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "browse/directory-lister.h"
#include "platform/http-fetch.h"
#include "platform/message-queue.h"
#include "platform/worker-pool.h"
#include "results/result-actions.h"

namespace velmora {

BrowseCrawl::BrowseCrawl(std::uint64_t crawlId, BrowseTarget target, BrowseLimits limits,
                         std::shared_ptr<MessageQueue> queue)
    : id(crawlId), m_target(std::move(target)), m_limits(std::move(limits)), m_queue(std::move(queue))
{
    m_frontier.push_back({m_target.startDirectory, 0});
    m_seen.insert(m_target.startDirectory);
}

void BrowseCrawl::Post(std::uint32_t messageId, std::shared_ptr<void> record)
{
    Message message;
    message.id = messageId;
    message.jobId = id;
    message.record = std::move(record);
    m_queue->Post(std::move(message));
}

void BrowseCrawl::Skip(const std::string& directory, const std::string& reason)
{
    ++m_summary.skipped;
    Post(kMsgBrowseSkipped, std::make_shared<BrowseSkip>(BrowseSkip{MakeShownUrl(m_target, directory), reason}));
}

// robots.txt is read once, by the first worker; the others wait for it.
// As RFC 9309 asks: at most five redirects (here to the same server only),
// the rules of its first 500 KiB, and a robots.txt that cannot be reached
// or read (a 5xx) forbids everything.
// robots.txt, at most kRobotsBytes of it, cut at its last whole line.
FetchResult BrowseCrawl::FetchRobots(std::string& text)
{
    constexpr std::size_t kRobotsBytes = 500 * 1024;
    FetchOptions options;
    options.url = MakeDirectoryUrl(m_target, "/robots.txt");
    options.userAgent = m_limits.userAgent;
    options.connectTimeoutSeconds = m_limits.connectTimeoutSeconds;
    options.lowSpeedSeconds = m_limits.lowSpeedSeconds;
    options.totalTimeoutSeconds = 60;
    options.maxRedirects = 5;
    options.sameOriginRedirectsOnly = true;
    options.maxBytes = 2 * kRobotsBytes;
    bool enough = false;
    options.enough = &enough;
    options.stop = &stop;
    const FetchResult fetched = HttpFetch(options, [&](std::string_view data) {
        text.append(data.substr(0, kRobotsBytes - text.size()));
        enough = text.size() >= kRobotsBytes;
    });
    if (enough) {
        // A line cut at the limit is not a rule.
        const std::size_t lastLine = text.rfind('\n');
        text.resize(lastLine == std::string::npos ? 0 : lastLine + 1);
    }
    return fetched;
}

void BrowseCrawl::LoadRobots()
{
    if (m_target.IsFtp())
        return;
    std::string text;
    const FetchResult fetched = FetchRobots(text);
    const long status = fetched.httpStatus;
    if (fetched.status == FetchStatus::Stopped) {
        return;
    } else if (fetched.status != FetchStatus::Ok) {
        m_robots = RobotsRules::DisallowAll();
        const std::string why = DescribeConnectionFailure(fetched);
        m_robotsRefusal = "The server's robots.txt could not be read, and without it nothing is listed: " +
                          (why.empty() ? "the fetch failed." : why);
    } else if (status >= 200 && status < 300) {
        m_robots = RobotsRules::Parse(text);
    } else if (status >= 500) {
        m_robots = RobotsRules::DisallowAll();
        m_robotsRefusal = "The server's robots.txt could not be read (the server answered " + std::to_string(status) +
                          "), and without it nothing is listed.";
    } else {
        // Not there (4xx), or sent elsewhere: no wishes.
        m_robots = RobotsRules::AllowAll();
    }
    if (const auto delay = m_robots.GetCrawlDelay()) {
        const auto asked = std::chrono::milliseconds(static_cast<long long>(*delay * 1000));
        m_pause = std::max(m_pause, std::min<std::chrono::milliseconds>(asked, m_limits.longestCrawlDelay));
    }
}

// The wait before a connection's next request: in proportion to how long
// the server took with the last one, capped, and never below what
// robots.txt asked for.
std::chrono::milliseconds BrowseCrawl::NextWait(std::chrono::steady_clock::duration took) const
{
    const double factor = std::clamp(m_limits.delayFactor, 0.0, 10.0);
    const auto scaled = std::chrono::milliseconds(
        static_cast<long long>(std::chrono::duration<double, std::milli>(took).count() * factor));
    return std::max(m_pause, std::min(scaled, m_limits.longestDelay));
}

// Lists one directory, page after page when the server gives its listing in
// pages, each page asked as politely as a directory; no more pages than the
// caps could take, and only while each page begins past the last.
ListOutcome BrowseCrawl::ListPolitely(DirectoryLister& lister, const std::string& directory, Pace& pace)
{
    ListOutcome outcome = ListPagePolitely(lister, directory, {}, pace);
    const std::size_t most = m_limits.maxFiles + m_limits.maxDirectories;
    while (outcome.ok && !outcome.continueAfter.empty() && !stop) {
        if (outcome.entries.size() >= most) {
            outcome.reason = "Its listing has more pages than the caps allow; the rest were left unread.";
            break;
        }
        const std::string after = std::move(outcome.continueAfter);
        ListOutcome page = ListPagePolitely(lister, directory, after, pace);
        if (!page.ok) {
            outcome.reason = "Only the first pages of its listing could be read: " + page.reason;
            break;
        }
        if (!page.continueAfter.empty() && page.continueAfter <= after) {
            page.continueAfter.clear(); // a page that leads back would never end
            outcome.reason = "Its listing's pages lead back to themselves; the rest were left unread.";
        }
        std::move(page.entries.begin(), page.entries.end(), std::back_inserter(outcome.entries));
        outcome.continueAfter = std::move(page.continueAfter);
    }
    outcome.continueAfter.clear();
    if (outcome.ok)
        SettleKinds(lister, directory, outcome.entries, pace);
    return outcome;
}

void BrowseCrawl::AwaitTurn(const Pace& pace)
{
    if (pace.lastRequest != std::chrono::steady_clock::time_point{}) {
        const auto since = std::chrono::steady_clock::now() - pace.lastRequest;
        PauseUnlessStopped(std::chrono::duration_cast<std::chrono::milliseconds>(pace.wait - since), stop);
    }
}

// Entries a page named without telling folder from file are asked of the
// server, each as politely as a listing; a few per folder, so that a page of
// countless such links costs a few requests, not one each. The rest stay
// files.
void BrowseCrawl::SettleKinds(DirectoryLister& lister, const std::string& directory, std::vector<ListedEntry>& entries,
                              Pace& pace)
{
    constexpr int kMostAsked = 32;
    int asked = 0;
    for (ListedEntry& entry : entries) {
        if (!entry.kindUnknown || stop)
            continue;
        entry.kindUnknown = false;
        const std::string path = directory + entry.name;
        if (asked >= kMostAsked || !m_robots.Allows(EncodeUrlPath(path)))
            continue;
        ++asked;
        AwaitTurn(pace);
        const auto started = std::chrono::steady_clock::now();
        entry.isDirectory = lister.IsFolder(path).value_or(false);
        pace.lastRequest = std::chrono::steady_clock::now();
        pace.wait = NextWait(pace.lastRequest - started);
    }
}

// Lists one page after the wait the last answer asked for, and again (a few
// times, with longer waits) when the server asks to slow down.
ListOutcome BrowseCrawl::ListPagePolitely(DirectoryLister& lister, const std::string& directory,
                                          const std::string& after, Pace& pace)
{
    ListOutcome outcome;
    for (int attempt = 0;; ++attempt) {
        AwaitTurn(pace);
        const auto started = std::chrono::steady_clock::now();
        outcome = after.empty() ? lister.List(directory) : lister.ListFrom(directory, after);
        pace.lastRequest = std::chrono::steady_clock::now();
        pace.wait = NextWait(pace.lastRequest - started);
        if (!outcome.slowDown || attempt >= m_limits.slowDownRetries || stop)
            return outcome;
        // Asked to slow down: what the server asked, else 5, 10, 20
        // seconds, never more than the longest wait allowed.
        const std::chrono::seconds asked = outcome.retryAfter.value_or(std::chrono::seconds(5 << attempt));
        if (!PauseUnlessStopped(std::min(asked, m_limits.longestSlowDown), stop))
            return outcome;
    }
}

// A start directory that cannot be listed, or lists nothing, gives way to
// the fallback directories once.
bool BrowseCrawl::StartOver(const Pending& failed)
{
    if (failed.depth != 0 || m_startTried || failed.directory != m_target.startDirectory)
        return false;
    m_startTried = true;
    bool queued = false;
    for (const std::string& directory : m_target.fallbackDirectories) {
        if (m_seen.insert(directory).second) {
            m_frontier.push_back({directory, 0});
            queued = true;
        }
    }
    return queued;
}

namespace {

// The same entries in any order give the same value.
std::uint64_t Fingerprint(const std::vector<ListedEntry>& entries)
{
    std::uint64_t sum = entries.size();
    for (const ListedEntry& entry : entries) {
        std::uint64_t h = std::hash<std::string>{}(entry.name) ^ (entry.isDirectory ? 0x9e3779b97f4a7c15u : 0);
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdu;
        h ^= h >> 33;
        sum += h;
    }
    return sum;
}

// "/a/b/" gives "/a/"; the start directory has no parent here.
std::optional<std::string> ParentOf(const std::string& directory, const std::string& start)
{
    if (directory.size() <= start.size() || directory.size() < 2)
        return std::nullopt;
    const std::size_t slash = directory.rfind('/', directory.size() - 2);
    if (slash == std::string::npos)
        return std::nullopt;
    return directory.substr(0, slash + 1);
}

} // namespace

// A folder that lists exactly what one of its ancestors lists is that
// ancestor again (a link back up): going into it would go round for ever.
std::optional<std::string> BrowseCrawl::RepeatedAncestor(const std::string& directory, std::uint64_t fingerprint)
{
    for (auto parent = ParentOf(directory, m_target.startDirectory); parent;
         parent = ParentOf(*parent, m_target.startDirectory)) {
        const auto found = m_fingerprints.find(*parent);
        if (found != m_fingerprints.end() && found->second == fingerprint)
            return parent;
    }
    if (m_fingerprints.size() < m_limits.maxDirectories)
        m_fingerprints.emplace(directory, fingerprint);
    return std::nullopt;
}

// Folders a listing named that the browse does not enter, told after it.
struct BrowseCrawl::LeftOut {
    std::vector<std::string> tooDeep;
    std::size_t tooDeepUntold = 0;
    std::size_t untracked = 0;
};

void BrowseCrawl::Take(const Pending& pending, std::vector<ListedEntry> entries)
{
    const auto repeated = RepeatedAncestor(pending.directory, Fingerprint(entries));
    auto listing = std::make_shared<BrowseListing>();
    listing->directory = pending.directory;
    listing->url = MakeShownUrl(m_target, pending.directory);
    ++m_summary.directories;
    if (pending.depth == 0)
        m_summary.startListed = true;
    LeftOut leftOut;
    for (ListedEntry& entry : entries) {
        if (!entry.isDirectory) {
            if (m_summary.files + listing->files.size() < m_limits.maxFiles)
                listing->files.push_back(std::move(entry));
            continue;
        }
        ++listing->directories;
        if (!repeated)
            QueueFolder(pending, entry.name, leftOut);
    }
    m_summary.files += listing->files.size();
    Post(kMsgBrowseListed, std::move(listing));
    // After the listing they were found in, so a reader sees them in order.
    if (repeated)
        Skip(pending.directory,
             "It lists the same as " + MakeShownUrl(m_target, *repeated) + ", so its folders are not entered again.");
    TellLeftOut(pending, leftOut);
}

void BrowseCrawl::QueueFolder(const Pending& pending, const std::string& name, LeftOut& leftOut)
{
    std::string path = pending.directory + name + "/";
    // A server that lists a directory inside itself (or twice) is listed
    // once per path, and never deeper than the limit; one that lists
    // millions of folders cannot make the browse keep them all.
    if (m_seen.size() >= m_limits.maxDirectories) {
        ++leftOut.untracked;
        return;
    }
    if (!m_seen.insert(path).second)
        return;
    if (pending.depth + 1 <= m_limits.depth)
        m_frontier.push_back({std::move(path), pending.depth + 1});
    else if (leftOut.tooDeep.size() < m_limits.maxSkipReports)
        leftOut.tooDeep.push_back(std::move(path));
    else
        ++leftOut.tooDeepUntold;
}

void BrowseCrawl::TellLeftOut(const Pending& pending, const LeftOut& leftOut)
{
    const std::string deeper = " deeper than " + std::to_string(m_limits.depth) + " levels below the start.";
    for (const std::string& path : leftOut.tooDeep)
        Skip(path, "It lies" + deeper);
    if (leftOut.tooDeepUntold > 0)
        Skip(pending.directory, std::to_string(leftOut.tooDeepUntold) + " more of its folders lie" + deeper);
    if (leftOut.untracked > 0)
        Skip(pending.directory, std::to_string(leftOut.untracked) +
                                    " of its folders were left out: the browse already knows " +
                                    std::to_string(m_limits.maxDirectories) + " folders.");
}

void BrowseCrawl::SetWorkerCount(int workers)
{
    const std::lock_guard lock(m_mutex);
    m_left = workers;
    m_changed.notify_all();
}

void BrowseCrawl::Work()
{
    // Nothing a worker meets may end the program: a failure ends this
    // worker's part of the browse, with a reason, and the summary still comes.
    std::string failure;
    bool busy = false; // this worker is counted in m_busy
    try {
        std::call_once(m_robotsLoaded, [this] { LoadRobots(); });
        Crawl(busy);
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "an unknown error";
    }
    std::unique_lock lock(m_mutex);
    if (busy)
        --m_busy;
    if (!failure.empty()) {
        try {
            Skip(m_target.startDirectory, "Browsing stopped after an internal failure (" + failure + ").");
        } catch (...) {
        }
    }
    if (stop)
        m_summary.stopped = true;
    m_changed.notify_all();
    // The count is set as soon as every thread has been started.
    while (m_left < 0)
        m_changed.wait_for(lock, std::chrono::milliseconds(10));
    if (--m_left == 0)
        Post(kMsgBrowseDone, std::make_shared<BrowseSummary>(m_summary));
}

// Lists directories until the frontier is empty. `busy` tells whether this
// worker is counted in m_busy (from taking a directory until it has handed
// in the outcome), so that a failure in between can set the count right.
void BrowseCrawl::Crawl(bool& busy)
{
    const std::unique_ptr<DirectoryLister> lister =
        makeLister ? makeLister() : MakeDirectoryLister(m_target, m_limits, stop, m_findings);
    Pace pace;
    std::unique_lock lock(m_mutex);
    for (;;) {
        // Wait for work, for the end (nothing left and nobody listing), or
        // for Stop, which the owner sets without a word: polled.
        while (!stop && m_frontier.empty() && m_busy > 0)
            m_changed.wait_for(lock, std::chrono::milliseconds(100));
        if (stop || m_frontier.empty())
            break;
        if (m_summary.files >= m_limits.maxFiles) {
            LeaveTheRest();
            break;
        }
        const Pending next = m_frontier.front();
        m_frontier.pop_front();
        ++m_busy;
        busy = true;
        lock.unlock();

        ListOutcome outcome;
        if (!m_robots.Allows(EncodeUrlPath(next.directory)))
            outcome.reason = m_robotsRefusal.empty() ? "robots.txt asks robots not to list it." : m_robotsRefusal;
        else
            outcome = ListPolitely(*lister, next.directory, pace);

        lock.lock();
        --m_busy;
        busy = false;
        TakeOutcome(next, std::move(outcome));
        m_changed.notify_all();
    }
}

// The file cap is reached: one word for all the folders left, not one each.
void BrowseCrawl::LeaveTheRest()
{
    Skip(m_frontier.front().directory, "The cap of " + std::to_string(m_limits.maxFiles) + " files was reached; " +
                                           std::to_string(m_frontier.size()) + " folders were left unlisted.");
    m_summary.skipped += m_frontier.size() - 1;
    m_frontier.clear();
}

void BrowseCrawl::TakeOutcome(const Pending& next, ListOutcome outcome)
{
    if (outcome.ok && outcome.entries.empty() && StartOver(next)) {
        // A home page, not an index: the fallback folders are listed instead.
    } else if (outcome.ok) {
        Take(next, std::move(outcome.entries));
        if (!outcome.reason.empty())
            Skip(next.directory, outcome.reason);
        if (outcome.unreadable > 0)
            Skip(next.directory, std::to_string(outcome.unreadable) + (outcome.unreadable == 1 ? " line" : " lines") +
                                     " of its listing could not be read and were left out.");
    } else if (!stop && !StartOver(next))
        Skip(next.directory, outcome.reason);
}

bool StartBrowseWorkers(const std::shared_ptr<BrowseCrawl>& crawl, int workers)
{
    int started = 0;
    for (int i = 0; i < workers; ++i) {
        if (!WorkerPool::Shared().Run([crawl] { crawl->Work(); }))
            break;
        ++started;
    }
    crawl->SetWorkerCount(started);
    return started > 0;
}

} // namespace velmora
