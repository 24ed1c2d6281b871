#include "browse/browse-crawl.h"

#include <algorithm>
#include <thread>

#include "browse/directory-lister.h"
#include "platform/http-fetch.h"
#include "platform/message-queue.h"
#include "results/result-actions.h"

namespace velmora {

BrowseCrawl::BrowseCrawl(std::uint64_t crawlId, BrowseTarget target, BrowseLimits limits,
                         std::shared_ptr<MessageQueue> queue)
    : id(crawlId), m_target(std::move(target)), m_limits(std::move(limits)), m_pQueue(std::move(queue))
{
    m_pause = m_limits.pause;
    m_frontier.push_back({m_target.startDirectory, 0});
    m_seen.insert(m_target.startDirectory);
}

void BrowseCrawl::Post(std::uint32_t messageId, std::shared_ptr<void> record)
{
    Message message;
    message.id = messageId;
    message.jobId = id;
    message.record = std::move(record);
    m_pQueue->Post(std::move(message));
}

void BrowseCrawl::Skip(const std::string& directory, const std::string& reason)
{
    ++m_summary.skipped;
    Post(kMsgBrowseSkipped, std::make_shared<BrowseSkip>(BrowseSkip{MakeShownUrl(m_target, directory), reason}));
}

// robots.txt is read once, by the first worker; the others wait for it.
void BrowseCrawl::LoadRobots()
{
    if (m_target.IsFtp())
        return;
    FetchOptions options;
    options.url = MakeDirectoryUrl(m_target, "/robots.txt");
    options.userAgent = m_limits.userAgent;
    options.connectTimeoutSeconds = m_limits.connectTimeoutSeconds;
    options.lowSpeedSeconds = m_limits.lowSpeedSeconds;
    options.totalTimeoutSeconds = 60;
    options.maxBytes = 512 * 1024;
    options.stop = &stop;
    std::string text;
    const FetchResult fetched = HttpFetch(options, [&text](std::string_view data) { text.append(data); });
    if (fetched.status == FetchStatus::Ok && fetched.httpStatus >= 200 && fetched.httpStatus < 300)
        m_robots = RobotsRules::Parse(text);
    else if (fetched.status == FetchStatus::Ok && fetched.httpStatus >= 400 && fetched.httpStatus < 500)
        m_robots = RobotsRules::AllowAll(); // no robots.txt: no wishes
    else if (fetched.status == FetchStatus::Ok)
        m_robots = RobotsRules::DisallowAll(); // it could not be read: ask nothing
    if (const auto delay = m_robots.GetCrawlDelay()) {
        const auto asked = std::chrono::milliseconds(static_cast<long long>(*delay * 1000));
        m_pause = std::max(m_pause, std::min<std::chrono::milliseconds>(asked, m_limits.longestCrawlDelay));
    }
}

// A start directory that cannot be listed gives way to the fallback once.
bool BrowseCrawl::StartOver(const Pending& failed)
{
    if (failed.depth != 0 || m_bStartTried || !m_target.fallbackDirectory ||
        *m_target.fallbackDirectory == failed.directory)
        return false;
    m_bStartTried = true;
    m_seen.insert(*m_target.fallbackDirectory);
    m_frontier.push_back({*m_target.fallbackDirectory, 0});
    return true;
}

void BrowseCrawl::Take(const Pending& pending, std::vector<ListedEntry> entries)
{
    auto listing = std::make_shared<BrowseListing>();
    listing->directory = pending.directory;
    listing->url = MakeShownUrl(m_target, pending.directory);
    ++m_summary.directories;
    if (pending.depth == 0)
        m_summary.startListed = true;
    std::vector<std::string> tooDeep;
    std::size_t tooDeepUntold = 0;
    std::size_t untracked = 0;
    for (ListedEntry& entry : entries) {
        if (!entry.isDirectory) {
            if (m_summary.files + listing->files.size() < m_limits.maxFiles)
                listing->files.push_back(std::move(entry));
            continue;
        }
        ++listing->directories;
        std::string path = pending.directory + entry.name + "/";
        // A server that lists a directory inside itself (or twice) is
        // listed once per path, and never deeper than the limit; one that
        // lists millions of folders cannot make the browse keep them all.
        if (m_seen.size() >= m_limits.maxDirectories) {
            ++untracked;
            continue;
        }
        if (!m_seen.insert(path).second)
            continue;
        if (pending.depth + 1 <= m_limits.depth)
            m_frontier.push_back({std::move(path), pending.depth + 1});
        else if (tooDeep.size() < m_limits.maxSkipReports)
            tooDeep.push_back(std::move(path));
        else
            ++tooDeepUntold;
    }
    m_summary.files += listing->files.size();
    Post(kMsgBrowseListed, std::move(listing));
    // After the listing they were found in, so a reader sees them in order.
    const std::string deeper = " deeper than " + std::to_string(m_limits.depth) + " levels below the start.";
    for (const std::string& path : tooDeep)
        Skip(path, "It lies" + deeper);
    if (tooDeepUntold > 0)
        Skip(pending.directory, std::to_string(tooDeepUntold) + " more of its folders lie" + deeper);
    if (untracked > 0)
        Skip(pending.directory, std::to_string(untracked) + " of its folders were left out: the browse already knows " +
                                    std::to_string(m_limits.maxDirectories) + " folders.");
}

void BrowseCrawl::SetWorkerCount(int workers)
{
    const std::lock_guard lock(m_mutex);
    m_nLeft = workers;
    m_changed.notify_all();
}

void BrowseCrawl::Work()
{
    std::call_once(m_robotsLoaded, [this] { LoadRobots(); });
    const std::unique_ptr<DirectoryLister> lister = MakeDirectoryLister(m_target, m_limits, stop);
    std::chrono::steady_clock::time_point lastRequest{};
    std::unique_lock lock(m_mutex);
    for (;;) {
        // Wait for work, for the end (nothing left and nobody listing), or
        // for Stop, which the owner sets without a word: polled.
        while (!stop && m_frontier.empty() && m_nBusy > 0)
            m_changed.wait_for(lock, std::chrono::milliseconds(100));
        if (stop || m_frontier.empty())
            break;
        if (m_summary.files >= m_limits.maxFiles) {
            for (const Pending& left : m_frontier)
                Skip(left.directory, "The cap of " + std::to_string(m_limits.maxFiles) + " files was reached.");
            m_frontier.clear();
            break;
        }
        const Pending next = m_frontier.front();
        m_frontier.pop_front();
        ++m_nBusy;
        lock.unlock();

        ListOutcome outcome;
        if (!m_robots.Allows(EncodeUrlPath(next.directory))) {
            outcome.reason = "robots.txt asks robots not to list it.";
        } else {
            for (int attempt = 0;; ++attempt) {
                if (lastRequest != std::chrono::steady_clock::time_point{}) {
                    const auto since = std::chrono::steady_clock::now() - lastRequest;
                    PauseUnlessStopped(std::chrono::duration_cast<std::chrono::milliseconds>(m_pause - since), stop);
                }
                outcome = lister->List(next.directory);
                lastRequest = std::chrono::steady_clock::now();
                if (!outcome.slowDown || attempt >= m_limits.slowDownRetries || stop)
                    break;
                // Asked to slow down: what the server asked, else 5, 10, 20
                // seconds, never more than the longest wait allowed.
                const std::chrono::seconds asked = outcome.retryAfter.value_or(std::chrono::seconds(5 << attempt));
                if (!PauseUnlessStopped(std::min(asked, m_limits.longestSlowDown), stop))
                    break;
            }
        }

        lock.lock();
        --m_nBusy;
        if (outcome.ok)
            Take(next, std::move(outcome.entries));
        else if (!stop && !StartOver(next))
            Skip(next.directory, outcome.reason);
        m_changed.notify_all();
    }
    if (stop)
        m_summary.stopped = true;
    m_changed.notify_all();
    // The count is set as soon as every thread has been started.
    while (m_nLeft < 0)
        m_changed.wait_for(lock, std::chrono::milliseconds(10));
    if (--m_nLeft == 0)
        Post(kMsgBrowseDone, std::make_shared<BrowseSummary>(m_summary));
}

bool StartBrowseWorkers(const std::shared_ptr<BrowseCrawl>& crawl, int workers)
{
    int started = 0;
    for (int i = 0; i < workers; ++i) {
        try {
            std::thread([crawl] { crawl->Work(); }).detach();
            ++started;
        } catch (const std::system_error&) {
            break;
        }
    }
    crawl->SetWorkerCount(started);
    return started > 0;
}

} // namespace velmora
