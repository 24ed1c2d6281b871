#include "transfer-job.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/ascii-case.h"
#include "platform/file-name.h"
#include "platform/http-fetch.h"
#include "platform/url-split.h"

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
    return n == 0 ? name : NumberedFileName(name, n);
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

// How much of `data` reached the file; less than all of it with errno set.
std::size_t WriteAll(int fd, std::string_view data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t written = ::write(fd, data.data() + done, data.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    return done;
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

// Opens what a download writes: never through a link, a new file only when
// no file of that name exists, and only while no other download holds it
// (EWOULDBLOCK then), so two runs never write into one part.
int OpenForWriting(const std::string& path, bool create, bool truncate)
{
    int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_APPEND;
    flags |= create ? (O_CREAT | O_EXCL) : 0;
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0)
        return -1;
    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        error = EINVAL;
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        error = errno == EINTR ? EWOULDBLOCK : errno;
    else if (truncate && !create && ::ftruncate(fd, 0) != 0)
        error = errno;
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::string CannotWrite(const std::string& path, int error)
{
    if (error == EWOULDBLOCK)
        return "This file is being downloaded by another FileTransfer already (" + path + ").";
    if (error == ENOSPC)
        return "The disk is full: " + path + " could not be written.";
    return "Cannot write " + path + ": " + std::strerror(error) + ".";
}

// Moves the finished part to the first free name from `target` on, never
// replacing a file that appeared meanwhile.
std::string MoveIntoPlace(const TransferTarget& target, const std::string& folder, const std::string& name, int& error)
{
    for (int n = 0; n < 10000; ++n) {
        const std::string candidate = n == 0 ? target.finalPath : (fs::path(folder) / Numbered(name, n)).string();
        if (n > 0 && (IsReservedName(Numbered(name, n)) || Exists(candidate)))
            continue;
        if (MoveWithoutReplacing(target.partPath, candidate) == 0)
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

int MoveWithoutReplacingByLink(const std::string& from, const std::string& to)
{
    // A hard link is made only where no file of that name exists.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST)
        return -1;
    // No hard links either (FAT, some FUSE file systems): the name is
    // claimed first, so a file that appears meanwhile is never replaced.
    const int claim = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (claim < 0)
        return -1;
    ::close(claim);
    if (::rename(from.c_str(), to.c_str()) == 0)
        return 0;
    const int error = errno;
    ::unlink(to.c_str());
    errno = error;
    return -1;
}

int MoveWithoutReplacing(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    // NFS, CIFS and FUSE file systems may not know RENAME_NOREPLACE.
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP || errno == EOPNOTSUPP)
        return MoveWithoutReplacingByLink(from, to);
    return -1;
}

std::string DescribeDownloadFailure(const FetchResult& fetched, std::string_view url)
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
    case FetchFailure::Downgrade:
        return "The server sent this https download to an unencrypted address; it was not followed.";
    case FetchFailure::NotTheService:
        return url.starts_with("ftp") ? "The server did not answer as an FTP server: check the address and its port."
                                      : "The server did not answer as a web server: check the address and its port.";
    case FetchFailure::RedirectLoop:
        return "The server sent the download on from address to address without end (a redirect loop).";
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
    return SafeFileName(clean, kMaxDownloadNameBytes);
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

// A download's fetch: no limit in all (a large file takes what it takes),
// an HTTP error status is a failure, and it continues the part.
FetchOptions DownloadOptions(const std::string& url, const TransferTarget& target, const std::atomic<bool>& cancel)
{
    FetchOptions options;
    options.url = url;
    options.stop = &cancel;
    options.resumeFrom = target.resumeFrom;
    options.failOnHttpError = true;
    options.totalTimeoutSeconds = 0;
    options.maxBytes = static_cast<std::size_t>(-1);
    return options;
}

// One attempt from the target's offset into its part file.
TransferResult Attempt(const std::string& url, const TransferTarget& target, bool createPart,
                       const std::atomic<bool>& cancel, const std::function<void(const TransferProgress&)>& onProgress,
                       AttemptEnd& end)
{
    TransferResult result;
    result.finalPath = target.finalPath;
    FileDescriptor file(OpenForWriting(target.partPath, createPart, target.resumeFrom == 0));
    if (file.Get() < 0) {
        result.error = CannotWrite(target.partPath, errno);
        return result;
    }
    end.opened = true;
    std::uint64_t onDisk = target.resumeFrom;
    int writeError = 0;
    bool giveUp = false; // a write failed: the rest of the body is not fetched
    // The size is told only once the file itself arrives: an error page's
    // length is not the file's.
    bool bodyStarted = false;
    FetchOptions options = DownloadOptions(url, target, cancel);
    options.enough = &giveUp;
    options.onProgress = [&](std::uint64_t done, std::uint64_t total) {
        onProgress({onDisk, bodyStarted && total ? total + (onDisk - done) : 0});
    };
    const FetchResult fetched = HttpFetch(options, [&](std::string_view data) {
        bodyStarted = true;
        // Written piece by piece, so a run that is killed leaves all it got.
        const std::size_t written = WriteAll(file.Get(), data);
        onDisk += written;
        if (written < data.size()) {
            writeError = errno ? errno : EIO;
            giveUp = true;
        }
    });
    if (!file.Close() && writeError == 0)
        writeError = errno;
    // A 416 to a resume means the part is whole only when the server's size
    // is the part's; otherwise the file changed and is fetched again.
    const bool wholeAlready =
        fetched.httpStatus == 416 && target.resumeFrom > 0 && UnsatisfiedRangeSize(fetched) == target.resumeFrom;
    end.restart = target.resumeFrom > 0 && !wholeAlready && (fetched.rangeRefused || fetched.httpStatus == 416);
    if (writeError != 0) {
        result.error = CannotWrite(target.partPath, writeError) + " What arrived is kept; run the download again to "
                                                                  "resume it.";
    } else if (fetched.status == FetchStatus::Stopped) {
        result.cancelled = true;
        result.error = "The download was cancelled; it can be resumed.";
    } else if (fetched.status != FetchStatus::Ok && !wholeAlready) {
        result.error = DescribeDownloadFailure(fetched, url);
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
        const bool opened = marker.Get() >= 0;
        if (!opened || WriteAll(marker.Get(), url) < url.size() || !marker.Close()) {
            const int error = errno;
            // A marker this run made but could not fill is no marker.
            if (opened && !target.resuming)
                ::unlink(target.urlPath.c_str());
            TransferResult failed;
            failed.error = CannotWrite(opened ? target.urlPath : folder, error);
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
    // The URL beside the part goes only once the file has its name: a part
    // that could not be moved can still be recognised and finished.
    if (!result.finalPath.empty())
        ::unlink(target.urlPath.c_str());
    if (result.finalPath.empty()) {
        result.ok = false;
        result.error = std::string("Cannot move the finished file into place: ") + std::strerror(error) + ".";
    }
    return result;
}

} // namespace velmora
