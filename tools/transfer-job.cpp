#include "transfer-job.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/http-fetch.h"
#include "results/url-split.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string ReadSmallFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text;
}

// "name (n).ext" for n > 0.
std::string Numbered(const std::string& name, int n)
{
    if (n == 0)
        return name;
    const auto dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
    return stem + " (" + std::to_string(n) + ")" + ext;
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

} // namespace

std::string FileNameFromUrl(std::string_view url)
{
    std::string_view path = url.substr(0, url.find_first_of("?#"));
    const auto scheme = path.find("://");
    if (scheme != std::string_view::npos)
        path.remove_prefix(scheme + 3);
    const auto slash = path.rfind('/');
    std::string name = slash == std::string_view::npos ? std::string() : PercentDecode(path.substr(slash + 1));
    std::string clean;
    for (char c : name) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != '/' && c != 0x7F)
            clean += c;
    }
    if (clean.empty() || clean == "." || clean == "..")
        return "download";
    return clean;
}

TransferTarget ChooseTarget(const std::string& folder, const std::string& name, const std::string& url)
{
    for (int n = 0;; ++n) {
        TransferTarget target;
        target.finalPath = (fs::path(folder) / Numbered(name, n)).string();
        target.partPath = target.finalPath + ".part";
        target.urlPath = target.finalPath + ".part.url";
        std::error_code error;
        const bool finalExists = fs::exists(fs::symlink_status(target.finalPath, error));
        const bool partExists = fs::exists(target.partPath, error);
        if (finalExists)
            continue;
        if (!partExists)
            return target;
        if (ReadSmallFile(target.urlPath) == url) {
            target.resumeFrom = fs::file_size(target.partPath, error);
            return target;
        }
    }
}

namespace {

// One attempt from the target's offset into its part file.
TransferResult Attempt(const std::string& url, const TransferTarget& target, const std::atomic<bool>& cancel,
                       const std::function<void(const TransferProgress&)>& onProgress, bool& rangeRefused)
{
    TransferResult result;
    result.finalPath = target.finalPath;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(target.partPath.c_str(), target.resumeFrom ? "ab" : "wb"));
    if (!file) {
        result.error = "Cannot create " + target.partPath + ": " + std::strerror(errno) + ".";
        return result;
    }
    std::uint64_t onDisk = target.resumeFrom;
    int writeError = 0;
    FetchOptions options;
    options.url = url;
    options.stop = &cancel;
    options.resumeFrom = target.resumeFrom;
    options.failOnHttpError = true;
    options.totalTimeoutSeconds = 0; // a large file takes what it takes
    options.maxBytes = static_cast<std::size_t>(-1);
    options.onProgress = [&](std::uint64_t done, std::uint64_t total) {
        onProgress({onDisk, total ? total + (onDisk - done) : 0});
    };
    const FetchResult fetched = HttpFetch(options, [&](std::string_view data) {
        if (writeError != 0)
            return;
        // Flushed piece by piece, so a run that is killed leaves all it got.
        if (std::fwrite(data.data(), 1, data.size(), file.get()) != data.size() || std::fflush(file.get()) != 0)
            writeError = errno ? errno : EIO;
        onDisk += data.size();
    });
    if (std::fflush(file.get()) != 0 && writeError == 0)
        writeError = errno;
    file.reset();
    rangeRefused = fetched.rangeRefused;
    if (writeError != 0) {
        result.error = writeError == ENOSPC ? "The disk is full."
                                            : std::string("Cannot write the file: ") + std::strerror(writeError) + ".";
    } else if (fetched.status == FetchStatus::Stopped) {
        result.cancelled = true;
        result.error = "The download was cancelled; it can be resumed.";
    } else if (fetched.status != FetchStatus::Ok && !(fetched.httpStatus == 416 && target.resumeFrom > 0)) {
        result.error = fetched.httpStatus >= 400 ? "The server answered " + std::to_string(fetched.httpStatus) + "."
                                                 : "The download failed: " + fetched.error;
    } else {
        // Whole (a 416 to a resume means the part already held everything).
        std::error_code error;
        fs::rename(target.partPath, target.finalPath, error);
        fs::remove(target.urlPath, error);
        result.ok = !error;
        if (error)
            result.error = "Cannot rename the finished file: " + error.message() + ".";
    }
    onProgress({onDisk, 0});
    return result;
}

} // namespace

TransferResult RunTransfer(const std::string& url, const std::string& folder, const std::atomic<bool>& cancel,
                           const std::function<void(const TransferProgress&)>& onProgress)
{
    TransferTarget target = ChooseTarget(folder, FileNameFromUrl(url), url);
    {
        std::ofstream marker(target.urlPath, std::ios::binary | std::ios::trunc);
        marker << url;
        if (!marker) {
            TransferResult failed;
            failed.error = "Cannot write in " + folder + ": " + std::strerror(errno) + ".";
            return failed;
        }
    }
    bool rangeRefused = false;
    TransferResult result = Attempt(url, target, cancel, onProgress, rangeRefused);
    if (rangeRefused && target.resumeFrom > 0) {
        // The server cannot continue where the last run stopped: start over.
        target.resumeFrom = 0;
        result = Attempt(url, target, cancel, onProgress, rangeRefused);
    }
    return result;
}

} // namespace velmora
