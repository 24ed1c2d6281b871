#include "platform/working-folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>

#include "platform/atomic-file.h"
#include "platform/paths.h"
#include "platform/process-launch.h"

namespace velmora {

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::string ChooseWorkingFolder(const std::string& current, bool here)
{
    std::error_code error;
    if (here || std::filesystem::is_regular_file(JoinPath(current, "settings.dat"), error))
        return current;
    if (const std::string chosen = Environment("VELMORA_HOME"); !chosen.empty())
        return chosen;
    std::string data = Environment("XDG_DATA_HOME");
    // The XDG rules ignore a relative path.
    if (data.empty() || data.front() != '/') {
        const std::string home = Environment("HOME");
        if (home.empty())
            return current;
        data = home + "/.local/share";
    }
    return data + "/velmora";
}

std::string FindSharedFile(const std::string& name, const std::string& sourcePlace)
{
    const std::string programs = GetExecutableDirectory();
    // The source tree is the one the build was configured from, wherever
    // the build folder is; an installed program finds share/velmora first.
    const std::string candidates[] = {programs + "/../share/velmora/" + name,
                                      std::string(VELMORA_SOURCE_DIR) + "/" + sourcePlace + "/" + name};
    std::error_code error;
    for (const std::string& candidate : candidates) {
        if (std::filesystem::is_regular_file(candidate, error))
            return std::filesystem::weakly_canonical(candidate, error).string();
    }
    return {};
}

namespace {

Failure CannotWriteIn(const std::string& folder, const std::string& why)
{
    return {"Velmora cannot write in the folder " + folder + " (" + why +
            "), so its settings could not be kept there."};
}

// Settings, searches and downloads are all written here: a folder that
// takes no new file is told now, not at the first lost save.
Result<void> CanWriteIn(const std::string& folder)
{
    const std::string probe = JoinPath(folder, ".velmora-write-test-" + std::to_string(::getpid()));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return CannotWriteIn(folder, std::strerror(errno));
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

std::optional<std::string> ReadCatalogue(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf()))
        return std::nullopt;
    return text.str();
}

} // namespace

Result<bool> PrepareWorkingFolder(const std::string& folder)
{
    bool firstStart = false;
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (!std::filesystem::is_directory(folder, failure))
        return Failure{"The folder " + folder + " cannot be made: " + failure.message() + ".", failure.value()};
    if (const Result<void> writable = CanWriteIn(folder); !writable)
        return writable.Error();
    // settings.dat keeps engines' API keys: for its owner's eyes only, from
    // its first byte. A file made meanwhile is kept.
    const std::tuple<const char*, const char*, std::optional<unsigned>> seeds[] = {
        {"settings.dat", "engines.ini", 0600}, {"clients.dat", "clients.ini", std::nullopt}};
    for (const auto& [file, catalogue, mode] : seeds) {
        const std::string target = JoinPath(folder, file);
        const std::string source = FindSharedFile(catalogue, "service/answers");
        if (source.empty() || std::filesystem::exists(target, failure))
            continue;
        const std::optional<std::string> text = ReadCatalogue(source);
        if (!text)
            continue; // nothing to start from: the program starts empty
        if (const Result<void> seeded = WriteFileAtomically(target, *text, mode, IfExists::Keep); !seeded)
            return CannotWriteIn(folder, seeded.Why());
        if (mode)
            firstStart = true;
    }
    return firstStart;
}

} // namespace velmora
