#include "platform/http-fetch.h"

#include <gtest/gtest.h>

#include <stdexcept>

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

} // namespace
} // namespace velmora
