#include "platform/name-lookup.h"

#include <gtest/gtest.h>

#include <thread>

namespace velmora {
namespace {

using namespace std::chrono_literals;

// A resolver as slow as a name server that never answers.
LookupResult NeverAnswers(const std::string&, unsigned)
{
    std::this_thread::sleep_for(3s);
    return {};
}

TEST(NameLookupTest, ALookUpThatTakesTooLongEndsAtTheDeadline)
{
    const auto start = std::chrono::steady_clock::now();
    const LookupResult found = LookUpHost("slow.example", 21, 200ms, nullptr, NeverAnswers);
    EXPECT_EQ(found.status, LookupStatus::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST(NameLookupTest, StopEndsTheWaitForALookUp)
{
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(150ms);
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    const LookupResult found = LookUpHost("slow.example", 21, 10s, &stop, NeverAnswers);
    stopper.join();
    EXPECT_EQ(found.status, LookupStatus::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST(NameLookupTest, TheSystemResolverFindsLoopbackAndNotANameThatCannotExist)
{
    const LookupResult loopback = LookUpHost("127.0.0.1", 80, 5s, nullptr);
    ASSERT_EQ(loopback.status, LookupStatus::Ok);
    EXPECT_EQ(loopback.addresses.front().family, AF_INET);
    EXPECT_EQ(LookUpHost("no host.invalid", 80, 5s, nullptr).status, LookupStatus::NotFound);
}

} // namespace
} // namespace velmora
