#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace velmora {

// How far and how gently a browse goes. Every wait is bounded.
struct BrowseLimits {
    int depth = 3;                       // levels below the start directory
    std::size_t maxFiles = 100000;       // files taken in all
    std::size_t maxDirectories = 100000; // folders a browse keeps track of
    std::size_t maxSkipReports = 1000;   // folders reported one by one per listing
    int connections = 2;                 // to the server at once (at most 4)
    // Before a connection's next request it waits `delayFactor` times as
    // long as the server took to answer the last one, at most
    // `longestDelay` (never less than a Crawl-delay or a Retry-After): a
    // quick server is browsed quickly, a struggling one gently.
    double delayFactor = 1.0;
    std::chrono::milliseconds longestDelay{2000};
    long connectTimeoutSeconds = 20;
    long lowSpeedSeconds = 20; // a listing that sends nothing for this long has stalled
    long listingTimeoutSeconds = 300;
    std::size_t maxListingBytes = std::size_t{64} << 20;
    int slowDownRetries = 3;                    // after 421, 429 or 503
    std::chrono::seconds longestSlowDown{60};   // the longest wait a server may ask for
    std::chrono::seconds longestCrawlDelay{10}; // robots.txt's Crawl-delay, at most
    std::string userAgent = "Velmora/2.2";
};

inline constexpr int kMaxBrowseConnections = 4;

} // namespace velmora
