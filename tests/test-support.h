#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velmora::test {

// A fresh folder for one test, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A file of `bytes` zero bytes (sparse, so quickly made however big), its
// folders made, dated `modified` (seconds since 1970): what a server
// serves to a test that asks its size and date.
inline bool WriteSizedFile(const std::string& path, std::uint64_t bytes, std::int64_t modified)
{
    std::error_code failed;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), failed);
    WriteFile(path, "");
    std::filesystem::resize_file(path, bytes, failed);
    const timeval times[2] = {{modified, 0}, {modified, 0}};
    return !failed && ::utimes(path.c_str(), times) == 0;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Polls `done` until it holds or the deadline passes; never waits longer.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds deadline = std::chrono::seconds(10))
{
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// What the recording stand-in program wrote: its working directory, then
// its arguments (the program first). Empty when nothing came in time.
inline std::vector<std::string> ReadRecordedArgs(const std::string& path)
{
    if (!WaitFor([&] { return std::filesystem::exists(path); }))
        return {};
    const std::string text = ReadFile(path);
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (auto end = text.find('\0'); end != std::string::npos; end = text.find('\0', at)) {
        parts.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

// What a program run to its end printed and how it ended.
struct ProgramRun {
    int status = -1; // the exit status; -1 when it was killed at the deadline
    std::string output;
};

// Runs a program (argv[0] found on PATH) in `folder` with standard output
// and error going to one file, and waits at most `deadline` for it.
inline ProgramRun RunProgram(const std::vector<std::string>& argv, const std::string& folder,
                             std::chrono::milliseconds deadline = std::chrono::seconds(30))
{
    const std::string outputFile = folder + "/.program-output";
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || ::chdir(folder.c_str()) != 0)
            ::_exit(126);
        ::dup2(out, 1);
        ::dup2(out, 2);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ProgramRun run;
    int status = 0;
    if (!WaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, deadline)) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    } else {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    run.output = ReadFile(outputFile);
    std::filesystem::remove(outputFile);
    return run;
}

// Every file under a folder, at any depth, named `stem` with nothing or
// only digits after it: the marker files that hostile commands would make.
inline std::vector<std::string> FilesNamed(const std::string& folder, const std::string& stem)
{
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(stem) && name.find_first_not_of("0123456789", stem.size()) == std::string::npos)
            found.push_back(it->path().string());
    }
    return found;
}

// Programs a test started detached (an FTP client) whose command line names
// one of `paths`: given `deadline` to end by themselves, then killed, so none
// outlives its test. How many had to be killed.
inline int EndProgramsUsing(const std::vector<std::string>& paths,
                            std::chrono::milliseconds deadline = std::chrono::seconds(10))
{
    const auto running = [&] {
        std::vector<pid_t> found;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
            const std::string pid = entry.path().filename().string();
            if (pid.find_first_not_of("0123456789") != std::string::npos || std::stoi(pid) == ::getpid())
                continue;
            const std::string command = ReadFile(entry.path().string() + "/cmdline");
            for (const std::string& path : paths) {
                if (command.find(path) != std::string::npos) {
                    found.push_back(std::stoi(pid));
                    break;
                }
            }
        }
        return found;
    };
    if (WaitFor([&] { return running().empty(); }, deadline))
        return 0;
    const std::vector<pid_t> left = running();
    for (pid_t pid : left)
        ::kill(pid, SIGKILL);
    return static_cast<int>(left.size());
}

// Makes a folder that nobody may change, root included, for as long as it lives.
class UnchangeableFolder {
public:
    explicit UnchangeableFolder(std::string path) : m_path(std::move(path))
    {
        m_ok = RunProgram({"chattr", "+i", m_path}, m_scratch.Path()).status == 0;
    }
    ~UnchangeableFolder() { RunProgram({"chattr", "-i", m_path}, m_scratch.Path()); }
    bool Ok() const { return m_ok; }

private:
    TempDir m_scratch; // where chattr's own output goes
    std::string m_path;
    bool m_ok = false;
};

} // namespace velmora::test
