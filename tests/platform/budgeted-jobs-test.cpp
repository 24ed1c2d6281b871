// Jobs counted against the shared thread limit by their owner.

#include "platform/budgeted-jobs.h"

#include <atomic>

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct Job {
    std::uint64_t id = 0;
    std::atomic<bool> stop{false};
};

TEST(BudgetedJobsTest, EachOwnerGivesBackOnlyItsOwnThreads)
{
    ThreadBudget budget;
    budget.SetLimit(3);
    BudgetedJobs<Job> search(budget);
    BudgetedJobs<Job> tests(budget);
    auto fetch = std::make_shared<Job>();
    auto probe = std::make_shared<Job>();
    auto other = std::make_shared<Job>();
    search.Add(fetch);
    tests.Add(probe);
    tests.Add(other);
    EXPECT_FALSE(budget.HasRoom());
    EXPECT_NE(probe->id, other->id);

    EXPECT_EQ(tests.Finish(fetch->id + 100), nullptr) << "a job that is not its own";
    EXPECT_EQ(budget.GetUsed(), 3);
    EXPECT_EQ(tests.Finish(probe->id), probe);
    EXPECT_EQ(tests.Finish(probe->id), nullptr) << "a second final message counts nothing";
    EXPECT_EQ(budget.GetUsed(), 2);

    tests.DropAll();
    EXPECT_TRUE(other->stop);
    EXPECT_FALSE(fetch->stop) << "the search's fetch runs on";
    EXPECT_EQ(budget.GetUsed(), 1);
    EXPECT_EQ(search.GetCount(), 1);
    EXPECT_EQ(tests.Finish(other->id), nullptr) << "a dropped job's report gives nothing back again";
    EXPECT_EQ(budget.GetUsed(), 1);
}

TEST(BudgetedJobsTest, AJobStillRunningWhenItsOwnerGoesIsToldToStop)
{
    ThreadBudget budget;
    auto job = std::make_shared<Job>();
    {
        BudgetedJobs<Job> owner(budget);
        owner.Add(job);
    }
    EXPECT_TRUE(job->stop);
}

} // namespace
} // namespace velmora
