#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/http-fetch.h"

namespace velmora {

// Where a download goes. The body is written to `partPath` while it
// arrives, with the URL kept in `urlPath`, so an interrupted download can be
// recognised and resumed; the file is renamed to `finalPath` when whole.
struct TransferTarget {
    std::string finalPath;
    std::string partPath;
    std::string urlPath;
    std::uint64_t resumeFrom = 0;
    bool resuming = false; // the part and its URL file exist already
};

// The file name a URL names: its last path segment, decoded, without
// anything that could lead out of the folder; "download" when it has none.
std::string FileNameFromUrl(std::string_view url);

// The target for `name` in `folder`: an unfinished download of the same URL
// is resumed; an existing file, a link or the program's own files
// (settings.dat and the like) are never written ("name (1).ext", ...).
TransferTarget ChooseTarget(const std::string& folder, const std::string& name, const std::string& url);

struct TransferProgress {
    std::uint64_t done = 0;  // bytes of the file on disk
    std::uint64_t total = 0; // 0 when the server did not say
};

struct TransferResult {
    bool ok = false;
    bool cancelled = false;
    std::string error; // a sentence for people
    std::string finalPath;
    std::uint64_t bytesOnDisk = 0; // of the file, or of the part kept for a resume
};

// Renames `from` to `to` unless `to` exists (then -1 with EEXIST), also on
// file systems without RENAME_NOREPLACE; 0 when done, else -1 with errno.
int MoveWithoutReplacing(const std::string& from, const std::string& to);
// The same without RENAME_NOREPLACE: a hard link, else a claimed name.
int MoveWithoutReplacingByLink(const std::string& from, const std::string& to);

// Why a download failed, as a sentence that names the server's answer
// ("The server has no such file (404).").
std::string DescribeDownloadFailure(const FetchResult& fetched, std::string_view url);

// Downloads `url` into `folder`. Progress is reported on the calling
// thread; `cancel` ends it, keeping the part for a later resume.
TransferResult RunTransfer(const std::string& url, const std::string& folder, const std::atomic<bool>& cancel,
                           const std::function<void(const TransferProgress&)>& onProgress);

} // namespace velmora
