#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "results/file-check.h"

namespace velmora {

class HttpConnection;

// How long a check may wait and how much it reads. A check never reads a
// file: at most `maxBytes` of any answer, and then it hangs up.
struct CheckLimits {
    long connectTimeoutSeconds = 15;
    long lowSpeedSeconds = 15;
    long totalTimeoutSeconds = 30;
    std::size_t maxBytes = 64 * 1024;
    std::string userAgent = "Velmora/2.2";
    // The browse's politeness: before a connection's next request it waits
    // `delayFactor` times as long as the server took with the last, at
    // most `longestDelay`.
    double delayFactor = 1.0;
    std::chrono::milliseconds longestDelay{2000};
    int connectionsPerHost = 2;
};

inline constexpr int kMaxCheckConnectionsPerHost = 2;

// A file to check: the caller's key for it (a result's id), its URL
// without a login, the login (FTP), and the host whose connections it
// counts against.
struct FileToCheck {
    std::uint64_t key = 0;
    std::string url;
    std::string user;
    std::string password;
    std::string host;
};

// Checks one file (an http, https or ftp URL) on a
// connection kept from the last check: over FTP one login serves every file
// of the server (TYPE I, SIZE and MDTM for each); over HTTP a HEAD, or where
// the server refuses HEAD (405, 501, or a 403 the GET does not give) a GET
// of its first byte, reading the size from Content-Range and hanging up
// without the body.
FileCheck CheckFile(HttpConnection& connection, const FileToCheck& file, const CheckLimits& limits,
                    const std::atomic<bool>* stop = nullptr);

// The total a "Content-Range: bytes 0-0/1234" (or "bytes */1234") tells.
std::optional<std::uint64_t> ParseContentRangeTotal(std::string_view value);

} // namespace velmora
