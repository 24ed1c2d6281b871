#include "check/check-run.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>
#include <unordered_map>
#include <utility>

#include "platform/ascii-case.h"
#include "platform/http-fetch.h"
#include "platform/message-queue.h"
#include "platform/worker-pool.h"

namespace velmora {

namespace {

std::optional<FileToCheck> TakeNext(HostFiles& host)
{
    std::lock_guard<std::mutex> lock(host.mutex);
    if (host.files.empty())
        return std::nullopt;
    FileToCheck file = std::move(host.files.front());
    host.files.pop_front();
    return file;
}

// The browse's politeness: a pause as long as the server took, times the
// factor, at most the longest; broken into short naps so a stop is quick.
void PauseAfter(std::chrono::steady_clock::duration took, const CheckLane& lane)
{
    const auto pause = std::min<std::chrono::steady_clock::duration>(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(took * lane.limits.delayFactor),
        lane.limits.longestDelay);
    const auto until = std::chrono::steady_clock::now() + pause;
    while (!lane.stop.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            until - std::chrono::steady_clock::now(), std::chrono::milliseconds(50)));
}

void PostChecked(const CheckLane& lane, FileToCheck& file, FileCheck check)
{
    auto checked = std::make_shared<CheckedFile>();
    checked->key = file.key;
    checked->url = std::move(file.url);
    checked->check = std::move(check);
    Message message;
    message.id = kMsgFileChecked;
    message.subject = lane.round;
    message.jobId = lane.id;
    message.record = std::move(checked);
    lane.queue->Post(std::move(message));
}

void PostLaneDone(const CheckLane& lane)
{
    Message done;
    done.id = kMsgCheckLaneDone;
    done.subject = lane.round;
    done.jobId = lane.id;
    lane.queue->Post(std::move(done));
}

} // namespace

void RunCheckLane(const std::shared_ptr<CheckLane>& lane)
{
    HttpConnection connection; // one login, one kept-alive connection
    bool first = true;
    std::chrono::steady_clock::duration took{};
    while (!lane->stop.load()) {
        std::optional<FileToCheck> file = TakeNext(*lane->host);
        if (!file)
            break;
        if (!first)
            PauseAfter(took, *lane);
        first = false;
        if (lane->stop.load())
            break;
        const auto started = std::chrono::steady_clock::now();
        FileCheck check = CheckFile(connection, *file, lane->limits, &lane->stop);
        check.checkedAt = static_cast<std::int64_t>(std::time(nullptr));
        took = std::chrono::steady_clock::now() - started;
        PostChecked(*lane, *file, std::move(check));
    }
    PostLaneDone(*lane);
}

CheckRun::CheckRun(ThreadBudget& budget, std::shared_ptr<MessageQueue> queue)
    : m_queue(std::move(queue)), m_lanes(budget)
{
}

CheckRun::~CheckRun() = default;

void CheckRun::Start(std::vector<FileToCheck> files)
{
    Cancel();
    m_checked = 0;
    m_toCheck = static_cast<int>(files.size());
    // Hosts by name in any case, in the order their first file came.
    std::unordered_map<std::string, std::shared_ptr<HostFiles>> hosts;
    std::vector<std::shared_ptr<HostFiles>> order;
    for (FileToCheck& file : files) {
        std::shared_ptr<HostFiles>& host = hosts[LowerAscii(file.host)];
        if (!host) {
            host = std::make_shared<HostFiles>();
            order.push_back(host);
        }
        host->files.push_back(std::move(file));
    }
    // Every host's first connection before any host's second.
    const int perHost = std::clamp(m_limits.connectionsPerHost, 1, kMaxCheckConnectionsPerHost);
    for (int lane = 0; lane < perHost; ++lane) {
        for (const auto& host : order) {
            if (host->files.size() > static_cast<std::size_t>(lane))
                m_pending.push_back(host);
        }
    }
    Dispatch();
}

void CheckRun::Cancel()
{
    ++m_round;
    m_pending.clear();
    m_lanes.DropAll();
}

void CheckRun::Dispatch()
{
    while (m_lanes.HasRoom() && !m_pending.empty()) {
        std::shared_ptr<HostFiles> host = std::move(m_pending.front());
        m_pending.pop_front();
        {
            // The host's first connection may have checked them all.
            std::lock_guard<std::mutex> lock(host->mutex);
            if (host->files.empty())
                continue;
        }
        auto lane = std::make_shared<CheckLane>();
        lane->round = m_round;
        lane->host = std::move(host);
        lane->queue = m_queue;
        lane->limits = m_limits;
        m_lanes.Add(lane);
        if (!WorkerPool::Shared().Run([lane] { RunCheckLane(lane); })) {
            // No thread: its files are told as not checked, and it ends.
            while (std::optional<FileToCheck> file = TakeNext(*lane->host)) {
                FileCheck unchecked;
                unchecked.reason = "No thread could be started to check it.";
                PostChecked(*lane, *file, std::move(unchecked));
            }
            PostLaneDone(*lane);
        }
    }
}

std::shared_ptr<CheckedFile> CheckRun::TakeChecked(const Message& message)
{
    if (message.subject != m_round)
        return nullptr;
    ++m_checked;
    return std::static_pointer_cast<CheckedFile>(message.record);
}

void CheckRun::OnLaneDone(const Message& message)
{
    if (m_lanes.Finish(message.jobId))
        Dispatch();
}

} // namespace velmora
