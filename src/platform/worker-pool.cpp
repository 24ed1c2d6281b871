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
    m_ending = true;
    m_wake.notify_all();
    m_ended.wait(lock, [this] { return m_threads == 0; });
}

bool WorkerPool::Run(std::function<void()> job, AtExit atExit)
{
    if (atExit == AtExit::Wait) {
        job = [this, job = std::move(job)] {
            job();
            std::lock_guard lock(m_mutex);
            --m_waited;
            m_ended.notify_all();
        };
    }
    {
        std::lock_guard lock(m_mutex);
        if (atExit == AtExit::Wait)
            ++m_waited;
        if (m_idle > m_jobs.size()) {
            m_jobs.push_back(std::move(job));
            m_wake.notify_one();
            return true;
        }
        ++m_threads;
    }
    try {
        std::thread(&WorkerPool::Serve, this, std::move(job)).detach();
        return true;
    } catch (const std::system_error&) {
        std::lock_guard lock(m_mutex);
        --m_threads;
        if (atExit == AtExit::Wait)
            --m_waited;
        return false;
    }
}

std::size_t WorkerPool::GetWaitedJobCount()
{
    std::lock_guard lock(m_mutex);
    return m_waited;
}

bool WorkerPool::WaitForJobs(std::chrono::milliseconds deadline)
{
    std::unique_lock lock(m_mutex);
    return m_ended.wait_for(lock, deadline, [this] { return m_waited == 0; });
}

std::size_t WorkerPool::GetThreadCount()
{
    std::lock_guard lock(m_mutex);
    return m_threads;
}

void WorkerPool::Serve(std::function<void()> job)
{
    for (;;) {
        job();
        job = nullptr; // what it holds goes now, not when the next comes
        std::unique_lock lock(m_mutex);
        ++m_idle;
        const bool given = m_wake.wait_for(lock, m_idleLife, [this] { return !m_jobs.empty() || m_ending; });
        --m_idle;
        if (!given || m_jobs.empty()) {
            --m_threads;
            m_ended.notify_all(); // under the lock: the pool may be gone once it is let go
            return;
        }
        job = std::move(m_jobs.front());
        m_jobs.pop_front();
    }
}

} // namespace velmora
