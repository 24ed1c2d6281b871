#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browse/browse-limits.h"
#include "browse/browse-target.h"
#include "browse/listed-entry.h"

namespace velmora {

// What listing one directory came to.
struct ListOutcome {
    bool ok = false;
    std::vector<ListedEntry> entries;
    std::string reason;                             // why not, a sentence for people
    long status = 0;                                // the server's answer code, when there was one
    bool slowDown = false;                          // 421, 429 or 503: ask again later
    std::optional<std::chrono::seconds> retryAfter; // what the server asked for
    std::size_t unreadable = 0;                     // lines of a listing that could not be read, left out
};

// Lists directories of one server over one connection of its own (kept
// between directories where the protocol allows). Not shared between
// threads.
class DirectoryLister {
public:
    virtual ~DirectoryLister() = default;
    virtual ListOutcome List(const std::string& directory) = 0;
};

// FTP by MLSD (LIST when the server has none); HTTP(S) by index pages.
std::unique_ptr<DirectoryLister> MakeFtpLister(const BrowseTarget& target, const BrowseLimits& limits,
                                               const std::atomic<bool>& stop);
std::unique_ptr<DirectoryLister> MakeHttpLister(const BrowseTarget& target, const BrowseLimits& limits,
                                                const std::atomic<bool>& stop);
// The lister for the target's protocol.
std::unique_ptr<DirectoryLister> MakeDirectoryLister(const BrowseTarget& target, const BrowseLimits& limits,
                                                     const std::atomic<bool>& stop);

// Sleeps `wait`, a tenth of a second at a time; false when `stop` came.
bool PauseUnlessStopped(std::chrono::milliseconds wait, const std::atomic<bool>& stop);

} // namespace velmora
