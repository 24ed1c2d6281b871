#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/thread-budget.h"

namespace velmora {

// The jobs one owner (a search run, a test pass) has running on the shared
// thread budget, by id. Each job it adds takes a thread; one that ends, or
// is dropped, gives back its own, so an owner that is cancelled never frees
// another's threads. Workers keep their jobs alive on their own: a dropped
// job is only told to stop, and ends at its next look at the flag. Owner's
// thread only. `Job` has an `id` and an atomic `stop`.
template <typename Job> class BudgetedJobs {
public:
    explicit BudgetedJobs(ThreadBudget& budget) : m_budget(budget) {}
    ~BudgetedJobs()
    {
        for (auto& [id, job] : m_jobs)
            job->stop = true;
    }
    BudgetedJobs(const BudgetedJobs&) = delete;
    BudgetedJobs& operator=(const BudgetedJobs&) = delete;

    bool HasRoom() const { return m_budget.HasRoom(); }
    // Gives the job its id, counts it and takes its thread.
    void Add(const std::shared_ptr<Job>& job)
    {
        job->id = m_nextId++;
        m_jobs.emplace(job->id, job);
        m_budget.Take();
    }
    // The job a final message names, no longer counted and its thread given
    // back; null when it is not one of these (it was dropped, or another's).
    std::shared_ptr<Job> Finish(std::uint64_t id)
    {
        const auto found = m_jobs.find(id);
        if (found == m_jobs.end())
            return nullptr;
        std::shared_ptr<Job> job = std::move(found->second);
        m_jobs.erase(found);
        m_budget.Give();
        return job;
    }
    // Tells every job to stop and gives back all their threads at once.
    void DropAll()
    {
        for (auto& [id, job] : m_jobs)
            job->stop = true;
        m_budget.Give(static_cast<int>(m_jobs.size()));
        m_jobs.clear();
    }
    int GetCount() const { return static_cast<int>(m_jobs.size()); }
    bool IsEmpty() const { return m_jobs.empty(); }
    // The id the next job added will get.
    std::uint64_t GetNextId() const { return m_nextId; }

private:
    ThreadBudget& m_budget;
    std::unordered_map<std::uint64_t, std::shared_ptr<Job>> m_jobs;
    std::uint64_t m_nextId = 1;
};

} // namespace velmora
