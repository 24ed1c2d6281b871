#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <stdlib.h>

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

} // namespace velmora::test
