#include "platform/process-launch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace velmora {

namespace {

bool IsExecutableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string FindProgram(const std::string& name)
{
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    const std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t at = 0;
    while (at <= folders.size()) {
        auto end = folders.find(':', at);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = end > at ? folders.substr(at, end - at) : ".";
        const std::string candidate = folder + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
        at = end + 1;
    }
    return {};
}

std::string GetExecutableDirectory()
{
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

bool StartDetached(const std::vector<std::string>& argv, const std::string& workingDirectory)
{
    if (argv.empty())
        return false;
    const std::string program = FindProgram(argv[0]);
    if (program.empty())
        return false;
    // Everything the child needs is ready before the fork: between fork and
    // exec it only makes system calls.
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        // The middle process leaves at once, so the program belongs to no
        // one here and leaves no zombie behind.
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        int error = 0;
        if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0)
            error = errno;
        else
            ::execv(program.c_str(), args.data());
        error = error ? error : errno;
        [[maybe_unused]] const auto written = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    // Nothing read: exec closed the pipe and the program runs.
    return got == 0;
}

} // namespace velmora
