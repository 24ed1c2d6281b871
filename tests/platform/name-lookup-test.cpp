#include "platform/name-lookup.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace velmora {
namespace {

using namespace std::chrono_literals;

// A resolver as slow as a name server that never answers: it returns only
// once the test lets it (or after ten seconds), and tells when it did.
// Copies share one state; the test releases it when it is done.
class HeldResolver {
public:
    LookupResult operator()(const std::string&, unsigned)
    {
        std::unique_lock lock(m_state->mutex);
        m_state->released.wait_for(lock, 10s, [this] { return m_state->open; });
        m_state->returned = true;
        return {};
    }
    void Release()
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->open = true;
        m_state->released.notify_all();
    }
    bool Returned() const
    {
        const std::lock_guard lock(m_state->mutex);
        return m_state->returned;
    }

private:
    // Shared with the copy the look-up's own thread keeps.
    struct State {
        std::mutex mutex;
        std::condition_variable released;
        bool open = false;
        bool returned = false;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

TEST(NameLookupTest, ALookUpThatTakesTooLongEndsAtTheDeadline)
{
    HeldResolver resolver;
    const LookupResult found = LookUpHost("slow.example", 21, 200ms, nullptr, resolver);
    EXPECT_EQ(found.status, LookupStatus::TimedOut);
    EXPECT_FALSE(resolver.Returned()) << "the deadline ended the wait, not the resolver";
    resolver.Release();
}

TEST(NameLookupTest, StopEndsTheWaitForALookUp)
{
    HeldResolver resolver;
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(150ms);
        stop = true;
    });
    const LookupResult found = LookUpHost("slow.example", 21, 10s, &stop, resolver);
    stopper.join();
    EXPECT_EQ(found.status, LookupStatus::Stopped);
    EXPECT_FALSE(resolver.Returned()) << "the stop ended the wait, not the resolver";
    resolver.Release();
}

TEST(NameLookupTest, TheSystemResolverFindsLoopbackAndNotANameThatCannotExist)
{
    const LookupResult loopback = LookUpHost("127.0.0.1", 80, 5s, nullptr);
    ASSERT_EQ(loopback.status, LookupStatus::Ok);
    EXPECT_EQ(loopback.addresses.front().family, AF_INET);
    EXPECT_EQ(LookUpHost("no host.invalid", 80, 5s, nullptr).status, LookupStatus::NotFound);
}

TEST(NameLookupTest, ANumericAddressIsReadWithoutTheResolver)
{
    int asked = 0;
    const Resolver counting = [&](const std::string& host, unsigned port) {
        ++asked;
        return ResolveWithSystem(host, port);
    };
    const LookupResult v6 = LookUpHost("::1", 21, 5s, nullptr, counting);
    ASSERT_EQ(v6.status, LookupStatus::Ok);
    EXPECT_EQ(v6.addresses.front().family, AF_INET6);
    EXPECT_EQ(LookUpHost("0x7f.1", 21, 5s, nullptr, counting).status, LookupStatus::Ok) << "as inet_aton reads it";
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(LookUpHost("localhost", 21, 5s, nullptr, counting).status, LookupStatus::Ok);
    EXPECT_EQ(asked, 1) << "a name is still looked up";
}

} // namespace
} // namespace velmora
