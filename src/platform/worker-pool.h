#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace velmora {

// Whether the program, as it ends, waits for a job: network jobs are
// stopped by their owners and end within their limits, so an answer being
// written is finished; a watch over a program the user started may run for
// hours and is left.
enum class AtExit { Wait, Leave };

// The one way the program starts a thread of work: jobs run on threads that
// stay a while for the next one. A search or a test pass starts a job for
// every engine or server, one after another as each ends; starting a thread
// for each costs longer than the loopback answer it waits for. There is no
// cap here: the callers keep their own count of jobs running (ThreadBudget).
// How long the end of the program waits for its stopped jobs.
inline constexpr std::chrono::milliseconds kJobsEndDeadline{2000};

class WorkerPool {
public:
    // The process's pool; its threads are never joined (jobs end on their
    // own or are stopped by their owners), so it is never destroyed.
    static WorkerPool& Shared();

    explicit WorkerPool(std::chrono::milliseconds idleLife) : m_idleLife(idleLife) {}
    // Ends the idle threads and waits for the busy ones' jobs to end.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Runs `job` on an idle thread, or on a new one; false when no thread
    // could be started (the job is then not run).
    bool Run(std::function<void()> job, AtExit atExit = AtExit::Wait);
    // Threads alive now, busy or idle.
    std::size_t GetThreadCount();
    // Jobs run with AtExit::Wait that have not ended yet.
    std::size_t GetWaitedJobCount();
    // At the end of the program: waits until every job run with
    // AtExit::Wait has ended, or `deadline` passed. True when none is left.
    bool WaitForJobs(std::chrono::milliseconds deadline);

private:
    void Serve(std::function<void()> job);

    const std::chrono::milliseconds m_idleLife;
    std::mutex m_mutex;
    std::condition_variable m_wake;           // a job came, or the end
    std::condition_variable m_ended;          // a thread ended
    std::deque<std::function<void()>> m_jobs; // each has an idle thread woken for it
    std::size_t m_idle = 0;
    std::size_t m_threads = 0;
    std::size_t m_waited = 0; // jobs run with AtExit::Wait, not ended
    bool m_ending = false;
};

} // namespace velmora
