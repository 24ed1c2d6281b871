#include "platform/http-fetch.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/page-server.h"

namespace velmora {
namespace {

using test::PageBehavior;

TEST(HttpFetchTest, AFailureInsideACallbackEndsTheFetchInsteadOfCrossingLibcurl)
{
    test::PageServer server;
    server.Route("/page", {PageBehavior::Kind::Serve, std::string(100000, 'x')});
    FetchOptions options;
    options.url = server.Url("/page");
    const FetchResult thrown =
        HttpFetch(options, [](std::string_view) { throw std::runtime_error("no room for the page"); });
    EXPECT_EQ(thrown.status, FetchStatus::Failed);
    options.onProgress = [](std::uint64_t, std::uint64_t) { throw std::bad_alloc(); };
    EXPECT_EQ(HttpFetch(options, [](std::string_view) {}).status, FetchStatus::Failed);
}

TEST(HttpFetchTest, TheLastAnswersHeadersAreKept)
{
    test::PageServer server;
    server.Route("/busy", {PageBehavior::Kind::Serve, "slow down", 429, {}, 0, false, "Retry-After: 120\r\n"});
    FetchOptions options;
    options.url = server.Url("/busy");
    const FetchResult busy = HttpFetch(options, [](std::string_view) {});
    EXPECT_EQ(busy.httpStatus, 429);
    EXPECT_EQ(busy.Header("retry-after"), "120");
    EXPECT_FALSE(busy.Header("X-Missing"));
}

// A port on 127.0.0.1 whose handshakes never complete: its listener takes
// no connection and its queue is full, so the kernel drops new SYNs.
class UnansweredPort {
public:
    UnansweredPort()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(m_listener, 0) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        for (int i = 0; i < 3; ++i) {
            const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
            m_fillers.push_back(client);
        }
        m_port = ntohs(address.sin_port);
    }
    ~UnansweredPort()
    {
        for (const int fd : m_fillers)
            ::close(fd);
        ::close(m_listener);
    }
    std::uint16_t Port() const { return m_port; }

private:
    int m_listener = -1;
    std::vector<int> m_fillers;
    std::uint16_t m_port = 0;
};

TEST(HttpFetchTest, AHostThatNeverCompletesTheHandshakeFailsAtTheConnectTimeout)
{
    const UnansweredPort unanswered;
    ASSERT_NE(unanswered.Port(), 0);
    FetchOptions options;
    options.url = "http://127.0.0.1:" + std::to_string(unanswered.Port()) + "/page";
    options.connectTimeoutSeconds = 1;
    options.totalTimeoutSeconds = 0; // no limit in all: only the connect timeout can end it
    // Without a connect timeout the fetch would wait minutes; the test
    // stops it after 20 seconds and the outcome tells which ended it.
    std::atomic<bool> stop{false};
    options.stop = &stop;
    std::thread watchdog([&stop] {
        for (int i = 0; i < 200 && !stop; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop = true;
    });
    const FetchResult fetched = HttpFetch(options, [](std::string_view) {});
    stop = true;
    watchdog.join();
    EXPECT_EQ(fetched.status, FetchStatus::Failed);
    EXPECT_EQ(fetched.failure, FetchFailure::TimedOut) << fetched.error;
}

TEST(HttpFetchTest, RedirectsFollowedByHandShareOneTimeLimit)
{
    // Five slow hops on the same server: each alone is within the limit,
    // all of them together are not.
    test::PageServer server;
    for (int i = 1; i <= 5; ++i) {
        server.Route("/r" + std::to_string(i), {PageBehavior::Kind::Serve, "moved", 301, std::chrono::milliseconds(700),
                                                0, false, "Location: /r" + std::to_string(i + 1) + "\r\n"});
    }
    server.Route("/r6", {PageBehavior::Kind::Serve, "here"});
    FetchOptions options;
    options.url = server.Url("/r1");
    options.sameOriginRedirectsOnly = true;
    options.maxRedirects = 5;
    options.totalTimeoutSeconds = 2;
    std::string body;
    const FetchResult fetched = HttpFetch(options, [&body](std::string_view data) { body.append(data); });
    EXPECT_EQ(fetched.status, FetchStatus::Failed);
    EXPECT_EQ(fetched.failure, FetchFailure::TimedOut) << fetched.error;
    EXPECT_TRUE(body.empty());

    // With time enough, the chain ends at the page.
    options.totalTimeoutSeconds = 20;
    body.clear();
    EXPECT_EQ(HttpFetch(options, [&body](std::string_view data) { body.append(data); }).status, FetchStatus::Ok);
    EXPECT_EQ(body, "here");
}

} // namespace
} // namespace velmora
