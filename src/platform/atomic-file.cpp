#include "platform/atomic-file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, std::string_view text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

constexpr std::string_view kTemporaryInfix = ".tmp.";

// ".NAME.tmp.PID.SERIAL": the writer's process id is part of the name, so a
// later writer can tell the leftovers of a killed one from a running one's.
std::string TemporaryName(const std::string& fileName, unsigned serial)
{
    return "." + fileName + std::string(kTemporaryInfix) + std::to_string(::getpid()) + "." + std::to_string(serial);
}

void RemoveStaleTemporaries(const fs::path& directory, const std::string& fileName)
{
    const std::string prefix = "." + fileName + std::string(kTemporaryInfix);
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(prefix))
            continue;
        const std::string rest = name.substr(prefix.size());
        const auto dot = rest.find('.');
        if (dot == 0 || dot == std::string::npos || rest.find_first_not_of("0123456789.") != std::string::npos)
            continue;
        const long pid = std::strtol(rest.substr(0, dot).c_str(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlink(it->path().c_str());
    }
}

// Renames the finished temporary file over `target`, or, to keep a file
// that is there, links it in its place (a link never replaces one) and
// drops the temporary name either way. 0 or the errno.
int PutInPlace(const fs::path& temporary, const fs::path& target, IfExists ifExists)
{
    if (ifExists == IfExists::Replace)
        return ::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
    const int failure = ::link(temporary.c_str(), target.c_str()) == 0 || errno == EEXIST ? 0 : errno;
    ::unlink(temporary.c_str());
    return failure;
}

// The system's reason, as the caller's sentence takes it.
Failure SystemFailure(int number)
{
    return {std::strerror(number), number};
}

} // namespace

Result<void> WriteFileAtomically(const std::string& path, std::string_view text, std::optional<unsigned> mode,
                                 IfExists ifExists)
{
    static std::atomic<unsigned> serial{0};
    std::error_code error;
    // Write through a link to the file it names, keeping the link.
    fs::path target(path);
    if (fs::is_symlink(target, error)) {
        target = fs::weakly_canonical(target, error);
        if (error)
            return Failure{error.message(), error.value()};
    }
    const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string fileName = target.filename().string();
    RemoveStaleTemporaries(directory, fileName);
    const fs::path temporary = directory / TemporaryName(fileName, serial++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode ? 0600 : 0666);
    if (fd < 0)
        return SystemFailure(errno);
    struct stat old {};
    if (mode)
        ::fchmod(fd, *mode & 07777);
    else if (::stat(target.c_str(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    int failure = written ? 0 : errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0)
        failure = PutInPlace(temporary, target, ifExists);
    if (failure != 0) {
        ::unlink(temporary.c_str());
        return SystemFailure(failure);
    }
    return {};
}

} // namespace velmora
