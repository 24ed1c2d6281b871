#include "platform/process-launch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "platform/text-escape.h"
#include "platform/worker-pool.h"

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

namespace {

// The child's side, between fork and exec: system calls only. A failure
// is written to `report` as errno before the child exits.
[[noreturn]] void ExecInChild(const std::string& program, char* const* args, const std::string& workingDirectory,
                              int errorFile, int report)
{
    ::setsid();
    int error = 0;
    if (::dup2(errorFile, STDERR_FILENO) < 0)
        error = errno;
    else if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0)
        error = errno;
    else
        ::execv(program.c_str(), args);
    error = error ? error : errno;
    [[maybe_unused]] const auto written = ::write(report, &error, sizeof error);
    ::_exit(127);
}

// The parent's side: the child's pid once exec succeeded (the pipe closed
// without a word), else -1 after reaping it.
pid_t AwaitExec(pid_t child, int report)
{
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(report, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report);
    if (got != 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    return got == 0 ? child : -1;
}

// Forks and executes `argv` in its own session, in `workingDirectory`, with
// `errorFile` as its error output. The child's pid once exec succeeded,
// else -1.
pid_t ForkAndExec(const std::vector<std::string>& argv, const std::string& workingDirectory, int errorFile)
{
    if (argv.empty())
        return -1;
    const std::string program = FindProgram(argv[0]);
    if (program.empty())
        return -1;
    // Everything the child needs is ready before the fork.
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return -1;
    }
    if (child == 0)
        ExecInChild(program, args.data(), workingDirectory, errorFile, report[1]);
    ::close(report[1]);
    return AwaitExec(child, report[0]);
}

// An unnamed file for a program's error output: gone with its last user.
int MakeErrorFile()
{
    const char* folder = std::getenv("TMPDIR");
    const std::string place = folder && *folder == '/' ? folder : "/tmp";
    int fd = ::open(place.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    std::string name = place + "/velmora-errors-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(name.c_str());
    return fd;
}

} // namespace

std::optional<RunningProgram> StartWatched(const std::vector<std::string>& argv, const std::string& workingDirectory)
{
    const int errorFile = MakeErrorFile();
    if (errorFile < 0)
        return std::nullopt;
    const pid_t child = ForkAndExec(argv, workingDirectory, errorFile);
    if (child < 0) {
        ::close(errorFile);
        return std::nullopt;
    }
    return RunningProgram(child, errorFile);
}

RunningProgram::RunningProgram(RunningProgram&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)), m_errorFile(std::exchange(other.m_errorFile, -1))
{
}

RunningProgram& RunningProgram::operator=(RunningProgram&& other) noexcept
{
    if (this != &other) {
        RunningProgram gone(std::move(*this));
        m_pid = std::exchange(other.m_pid, -1);
        m_errorFile = std::exchange(other.m_errorFile, -1);
    }
    return *this;
}

RunningProgram::~RunningProgram()
{
    if (m_errorFile >= 0)
        ::close(m_errorFile);
    // Nobody waits for it: a job reaps it, so no zombie is left. The
    // program may outlive ours, which does not wait for it.
    if (m_pid >= 0)
        WorkerPool::Shared().Run(
            [pid = m_pid] {
                while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
                }
            },
            AtExit::Leave);
}

ProgramEnd RunningProgram::Wait()
{
    ProgramEnd end;
    if (m_pid < 0)
        return end;
    int status = 0;
    pid_t waited = 0;
    do {
        waited = ::waitpid(m_pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    m_pid = -1;
    end.succeeded = waited > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    // Only the tail is read: the program's output may be large.
    struct stat info {};
    if (m_errorFile >= 0 && ::fstat(m_errorFile, &info) == 0 && info.st_size > 0) {
        constexpr off_t kTail = 4096;
        const off_t from = info.st_size > kTail ? info.st_size - kTail : 0;
        std::string tail(static_cast<std::size_t>(info.st_size - from), '\0');
        const ssize_t got = ::pread(m_errorFile, tail.data(), tail.size(), from);
        tail.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        end.lastErrorLine = LastLine(tail);
    }
    if (!end.succeeded && end.lastErrorLine.empty())
        end.lastErrorLine = waited > 0 && WIFSIGNALED(status)
                                ? "it was stopped by a signal"
                                : "it ended with exit status " + std::to_string(waited > 0 ? WEXITSTATUS(status) : -1);
    return end;
}

std::string LastLine(std::string_view output, std::size_t maxLength)
{
    constexpr std::string_view kBlank = " \t\r\n";
    std::size_t end = output.find_last_not_of(kBlank);
    if (end == std::string_view::npos)
        return {};
    const std::size_t lineStart = output.find_last_of("\r\n", end);
    std::string_view line = output.substr(lineStart == std::string_view::npos ? 0 : lineStart + 1);
    line = line.substr(0, line.find_last_not_of(kBlank) + 1);
    line.remove_prefix(std::min(line.find_first_not_of(kBlank), line.size()));
    std::string shown = EscapeControls(line);
    if (shown.size() > maxLength) {
        // Cut on a character's first byte, not inside one.
        std::size_t cut = maxLength;
        while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80)
            --cut;
        shown.resize(cut);
        shown += "...";
    }
    return shown;
}

} // namespace velmora
