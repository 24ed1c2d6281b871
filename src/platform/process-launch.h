#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The program a name stands for: a name holding "/" as it is, any other
// searched on PATH. Empty when nothing executable is found.
std::string FindProgram(const std::string& name);

// The folder of the running executable.
std::string GetExecutableDirectory();

// How a watched program ended: exit status 0, or the last line it wrote to
// its error output (made safe to show, at most a few hundred bytes).
struct ProgramEnd {
    bool succeeded = false;
    std::string lastErrorLine;
};

// A started program whose end can be waited for. Its error output goes to an
// unnamed file, not a pipe, so the program keeps running (and writing) after
// this process has gone. Move-only; waiting is optional.
class RunningProgram {
public:
    RunningProgram(int pid, int errorFile) : m_pid(pid), m_errorFile(errorFile) {}
    RunningProgram(RunningProgram&& other) noexcept;
    RunningProgram& operator=(RunningProgram&& other) noexcept;
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram();

    // Blocks until the program ends. Once only.
    ProgramEnd Wait();

private:
    int m_pid = -1;
    int m_errorFile = -1;
};

// Starts a program in a session of its own, with an argument vector (no
// shell ever sees it) in the given working directory, and stays its parent
// so its end can be told. Empty when it could not be found, the directory
// could not be entered or it could not be executed.
std::optional<RunningProgram> StartWatched(const std::vector<std::string>& argv, const std::string& workingDirectory);

// The last non-empty line of `output`, made safe to show and cut to
// `maxLength` bytes.
std::string LastLine(std::string_view output, std::size_t maxLength = 300);

} // namespace velmora
