#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
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
    // Where the next page of a listing given in pages begins (a bucket's
    // marker); empty when this was the last page. On a listing that is ok,
    // `reason` tells why pages were left unread.
    std::string continueAfter;
};

// Lists directories of one server over one connection of its own (kept
// between directories where the protocol allows). Not shared between
// threads.
class DirectoryLister {
public:
    virtual ~DirectoryLister() = default;
    virtual ListOutcome List(const std::string& directory) = 0;
    // The page of the directory's listing that begins after `after` (an
    // earlier page's continueAfter).
    virtual ListOutcome ListFrom(const std::string& directory, const std::string& after)
    {
        static_cast<void>(directory);
        static_cast<void>(after);
        return {};
    }
    // Whether the entry at `path` ("/pub/name", no "/" at the end) is a
    // folder, asked of the server; nothing when its answer does not tell.
    virtual std::optional<bool> IsFolder(const std::string& path)
    {
        static_cast<void>(path);
        return std::nullopt;
    }
};

// What one browse's listers learn of the server and share between their
// threads: where a bucket listing was found, whose folders are asked of it
// whichever worker lists them.
class ServerFindings {
public:
    std::optional<std::string> BucketRoot() const;
    void SetBucketRoot(const std::string& directory); // the first one found stays

private:
    mutable std::mutex m_mutex;
    std::optional<std::string> m_bucketRoot;
};

// FTP by MLSD (LIST when the server has none); HTTP(S) by index pages,
// bucket listings or JSON listings.
std::unique_ptr<DirectoryLister> MakeFtpLister(const BrowseTarget& target, const BrowseLimits& limits,
                                               const std::atomic<bool>& stop);
std::unique_ptr<DirectoryLister> MakeHttpLister(const BrowseTarget& target, const BrowseLimits& limits,
                                                const std::atomic<bool>& stop, ServerFindings& findings);
// The lister for the target's protocol.
std::unique_ptr<DirectoryLister> MakeDirectoryLister(const BrowseTarget& target, const BrowseLimits& limits,
                                                     const std::atomic<bool>& stop, ServerFindings& findings);

// Sleeps `wait`, a tenth of a second at a time; false when `stop` came.
bool PauseUnlessStopped(std::chrono::milliseconds wait, const std::atomic<bool>& stop);

} // namespace velmora
