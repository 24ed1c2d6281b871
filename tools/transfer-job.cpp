#include "transfer-job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/ascii-case.h"
#include "platform/http-fetch.h"
#include "results/url-split.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// The program's own files in its working folder: a download never takes
// their names, whatever the URL says.
constexpr const char* kReservedNames[] = {"settings.dat", "clients.dat", "client.scr", "update.tmp", "velmora.db"};

bool IsReservedName(const std::string& name)
{
    for (const char* reserved : kReservedNames) {
        if (EqualsNoCase(name, reserved))
            return true;
    }
    return false;
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

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// A file of our own: a regular file, not a link someone planted.
bool IsPlainFile(const std::string& path, std::uint64_t* size = nullptr)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (size)
        *size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

// Reads at most `limit` bytes of a plain file, never through a link.
std::string ReadSmallFile(const std::string& path, std::size_t limit = 64 * 1024)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string text;
    char buffer[4096];
    for (ssize_t got = 0; text.size() < limit && (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return text;
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }
    bool Close()
    {
        const bool closed = m_fd < 0 || ::close(m_fd) == 0;
        m_fd = -1;
        return closed;
    }

private:
    int m_fd;
};

// Opens what a download writes: never through a link, and a new file only
// when no file of that name exists.
int OpenForWriting(const std::string& path, bool create, bool truncate)
{
    int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW;
    flags |= create ? (O_CREAT | O_EXCL) : (truncate ? O_TRUNC : O_APPEND);
    const int fd = ::open(path.c_str(), flags, 0644);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// Moves the finished part to the first free name from `target` on, never
// replacing a file that appeared meanwhile.
std::string MoveIntoPlace(const TransferTarget& target, const std::string& folder, const std::string& name, int& error)
{
    for (int n = 0; n < 10000; ++n) {
        const std::string candidate = n == 0 ? target.finalPath : (fs::path(folder) / Numbered(name, n)).string();
        if (n > 0 && (IsReservedName(Numbered(name, n)) || Exists(candidate)))
            continue;
        if (::renameat2(AT_FDCWD, target.partPath.c_str(), AT_FDCWD, candidate.c_str(), RENAME_NOREPLACE) == 0)
            return candidate;
        if (errno != EEXIST) {
            error = errno;
            return {};
        }
    }
    error = EEXIST;
    return {};
}

// "bytes */SIZE" of a 416 answer: the size of the file on the server.
std::optional<std::uint64_t> UnsatisfiedRangeSize(const FetchResult& fetched)
{
    const auto range = fetched.Header("Content-Range");
    if (!range)
        return std::nullopt;
    const auto slash = range->find("*/");
    if (slash == std::string::npos)
        return std::nullopt;
    std::uint64_t size = 0;
    const std::string digits = range->substr(slash + 2);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 19)
        return std::nullopt;
    for (char c : digits)
        size = size * 10 + static_cast<std::uint64_t>(c - '0');
    return size;
}

std::string WithCode(const std::string& sentence, long code)
{
    return code > 0 ? sentence + " (" + std::to_string(code) + ")." : sentence + ".";
}

} // namespace

std::string DescribeDownloadFailure(const FetchResult& fetched)
{
    const long code = fetched.httpStatus;
    switch (fetched.failure) {
    case FetchFailure::NoSuchHost:
        return "The server's name could not be found: check the address and the network.";
    case FetchFailure::Refused:
        return "The server did not accept a connection: it may be down, or the port may be wrong.";
    case FetchFailure::Certificate:
        return "The server's certificate could not be verified, so nothing was downloaded from it.";
    case FetchFailure::Unreachable:
        return "The server could not be reached.";
    case FetchFailure::TimedOut:
        return "The server stopped answering; run the download again to resume it.";
    case FetchFailure::Cut:
        return "The connection broke off before the file was whole; run the download again to resume it.";
    case FetchFailure::NoSuchFile:
        return WithCode("The server has no such file", code);
    case FetchFailure::LoginDenied:
        return WithCode("The server refused the login", code);
    default:
        break;
    }
    if (code == 404 || code == 410)
        return WithCode("The server has no such file", code);
    if (code == 401 || code == 407)
        return WithCode("The server asks for a login", code);
    if (code == 403)
        return WithCode("The server refuses to give out this file", code);
    if (code == 429 || code == 503)
        return WithCode("The server is busy: try again later", code);
    if (code >= 500 && code < 600)
        return WithCode("The server failed to send the file", code);
    if (code >= 400 && code < 500)
        return WithCode("The server refused the request", code);
    return "The download failed (" + fetched.error + ").";
}

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
    for (int n = IsReservedName(name) ? 1 : 0;; ++n) {
        const std::string numbered = Numbered(name, n);
        if (IsReservedName(numbered))
            continue;
        TransferTarget target;
        target.finalPath = (fs::path(folder) / numbered).string();
        target.partPath = target.finalPath + ".part";
        target.urlPath = target.finalPath + ".part.url";
        if (Exists(target.finalPath))
            continue;
        if (!Exists(target.partPath) && !Exists(target.urlPath))
            return target;
        // Only an unfinished download of this very URL, in plain files of
        // its own, is resumed; anything else under these names is left alone.
        std::uint64_t size = 0;
        if (IsPlainFile(target.partPath, &size) && IsPlainFile(target.urlPath) &&
            ReadSmallFile(target.urlPath) == url) {
            target.resumeFrom = size;
            target.resuming = true;
            return target;
        }
    }
}

namespace {

struct AttemptEnd {
    bool opened = false;  // the part file was opened (made, when new)
    bool restart = false; // the server cannot resume: start over
};

// One attempt from the target's offset into its part file.
TransferResult Attempt(const std::string& url, const TransferTarget& target, bool createPart,
                       const std::atomic<bool>& cancel, const std::function<void(const TransferProgress&)>& onProgress,
                       AttemptEnd& end)
{
    TransferResult result;
    result.finalPath = target.finalPath;
    FileDescriptor file(OpenForWriting(target.partPath, createPart, target.resumeFrom == 0));
    if (file.Get() < 0) {
        result.error = "Cannot create " + target.partPath + ": " + std::strerror(errno) + ".";
        return result;
    }
    end.opened = true;
    std::uint64_t onDisk = target.resumeFrom;
    int writeError = 0;
    // The size is told only once the file itself arrives: an error page's
    // length is not the file's.
    bool bodyStarted = false;
    FetchOptions options;
    options.url = url;
    options.stop = &cancel;
    options.resumeFrom = target.resumeFrom;
    options.failOnHttpError = true;
    options.totalTimeoutSeconds = 0; // a large file takes what it takes
    options.maxBytes = static_cast<std::size_t>(-1);
    options.onProgress = [&](std::uint64_t done, std::uint64_t total) {
        onProgress({onDisk, bodyStarted && total ? total + (onDisk - done) : 0});
    };
    const FetchResult fetched = HttpFetch(options, [&](std::string_view data) {
        bodyStarted = true;
        if (writeError != 0)
            return;
        // Written piece by piece, so a run that is killed leaves all it got.
        if (!WriteAll(file.Get(), data))
            writeError = errno ? errno : EIO;
        onDisk += data.size();
    });
    if (!file.Close() && writeError == 0)
        writeError = errno;
    // A 416 to a resume means the part is whole only when the server's size
    // is the part's; otherwise the file changed and is fetched again.
    const bool wholeAlready =
        fetched.httpStatus == 416 && target.resumeFrom > 0 && UnsatisfiedRangeSize(fetched) == target.resumeFrom;
    end.restart = target.resumeFrom > 0 && !wholeAlready && (fetched.rangeRefused || fetched.httpStatus == 416);
    if (writeError != 0) {
        result.error = writeError == ENOSPC ? "The disk is full."
                                            : std::string("Cannot write the file: ") + std::strerror(writeError) + ".";
    } else if (fetched.status == FetchStatus::Stopped) {
        result.cancelled = true;
        result.error = "The download was cancelled; it can be resumed.";
    } else if (fetched.status != FetchStatus::Ok && !wholeAlready) {
        result.error = DescribeDownloadFailure(fetched);
    } else {
        result.ok = true;
    }
    result.bytesOnDisk = onDisk;
    onProgress({onDisk, 0});
    return result;
}

} // namespace

TransferResult RunTransfer(const std::string& url, const std::string& folder, const std::atomic<bool>& cancel,
                           const std::function<void(const TransferProgress&)>& onProgress)
{
    const std::string name = FileNameFromUrl(url);
    TransferTarget target = ChooseTarget(folder, name, url);
    {
        FileDescriptor marker(OpenForWriting(target.urlPath, !target.resuming, true));
        if (marker.Get() < 0 || !WriteAll(marker.Get(), url) || !marker.Close()) {
            TransferResult failed;
            failed.error = "Cannot write in " + folder + ": " + std::strerror(errno) + ".";
            return failed;
        }
    }
    AttemptEnd end;
    TransferResult result = Attempt(url, target, !target.resuming, cancel, onProgress, end);
    if (end.restart) {
        // The server cannot continue where the last run stopped: start over.
        target.resumeFrom = 0;
        result = Attempt(url, target, false, cancel, onProgress, end);
    }
    if (!result.ok) {
        // A new download that got nothing leaves nothing behind to resume
        // (and a part it did not make is never touched).
        if (result.bytesOnDisk == 0 && !target.resuming) {
            if (end.opened)
                ::unlink(target.partPath.c_str());
            ::unlink(target.urlPath.c_str());
        }
        return result;
    }
    int error = 0;
    result.finalPath = MoveIntoPlace(target, folder, name, error);
    ::unlink(target.urlPath.c_str());
    if (result.finalPath.empty()) {
        result.ok = false;
        result.error = std::string("Cannot move the finished file into place: ") + std::strerror(error) + ".";
    }
    return result;
}

} // namespace velmora
