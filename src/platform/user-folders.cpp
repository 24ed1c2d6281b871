#include "platform/user-folders.h"

#include <cstdlib>
#include <fstream>

namespace velmora {

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// One line of user-dirs.dirs, `XDG_DOWNLOAD_DIR="$HOME/Downloads"`: a
// quoted path, absolute or starting with $HOME/ (the only forms
// xdg-user-dirs writes). Empty for anything else.
std::string ReadDownloadLine(const std::string& line, const std::string& home)
{
    constexpr std::string_view kKey = "XDG_DOWNLOAD_DIR=\"";
    if (!line.starts_with(kKey) || line.size() < kKey.size() + 1 || line.back() != '"')
        return {};
    std::string value = line.substr(kKey.size(), line.size() - kKey.size() - 1);
    if (value.find('"') != std::string::npos || value.find('\\') != std::string::npos)
        return {};
    if (value == "$HOME" || value.starts_with("$HOME/"))
        return home + value.substr(5);
    return value.starts_with('/') ? value : std::string();
}

} // namespace

std::string FindDownloadFolder()
{
    const std::string home = Environment("HOME");
    if (home.empty() || home.front() != '/')
        return {};
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/')
        config = home + "/.config";
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    std::string found;
    while (std::getline(dirs, line)) {
        // The shell reads the file, so the last assignment counts.
        if (std::string path = ReadDownloadLine(line, home); !path.empty())
            found = std::move(path);
    }
    return found.empty() ? home + "/Downloads" : found;
}

} // namespace velmora
