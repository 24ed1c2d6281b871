#include "platform/worker-pool.h"

#include <system_error>
#include <thread>

namespace velmora {

WorkerPool& WorkerPool::Shared()
{
    // Idle threads may still wait on it while the process ends.
    static WorkerPool* const pool = new WorkerPool(std::chrono::seconds(10));
    return *pool;
}

WorkerPool::~WorkerPool()
{
    std::unique_lock lock(m_mutex);
    m_bEnding = true;
    m_wake.notify_all();
    m_ended.wait(lock, [this] { return m_nThreads == 0; });
}

bool WorkerPool::Run(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_nIdle > m_jobs.size()) {
            m_jobs.push_back(std::move(job));
            m_wake.notify_one();
            return true;
        }
        ++m_nThreads;
    }
    try {
        std::thread(&WorkerPool::Serve, this, std::move(job)).detach();
        return true;
    } catch (const std::system_error&) {
        std::lock_guard lock(m_mutex);
        --m_nThreads;
        return false;
    }
}

std::size_t WorkerPool::GetThreadCount()
{
    std::lock_guard lock(m_mutex);
    return m_nThreads;
}

void WorkerPool::Serve(std::function<void()> job)
{
    for (;;) {
        job();
        job = nullptr; // what it holds goes now, not when the next comes
        std::unique_lock lock(m_mutex);
        ++m_nIdle;
        const bool given = m_wake.wait_for(lock, m_idleLife, [this] { return !m_jobs.empty() || m_bEnding; });
        --m_nIdle;
        if (!given || m_jobs.empty()) {
            --m_nThreads;
            m_ended.notify_all(); // under the lock: the pool may be gone once it is let go
            return;
        }
        job = std::move(m_jobs.front());
        m_jobs.pop_front();
    }
}

} // namespace velmora
