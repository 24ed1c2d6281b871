#include "platform/working-folder.h"

#include <cstdlib>
#include <filesystem>

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
    // build/bin sits two levels below the top of the source tree.
    const std::string candidates[] = {programs + "/../share/velmora/" + name,
                                      programs + "/../../" + sourcePlace + "/" + name};
    std::error_code error;
    for (const std::string& candidate : candidates) {
        if (std::filesystem::is_regular_file(candidate, error))
            return std::filesystem::weakly_canonical(candidate, error).string();
    }
    return {};
}

bool PrepareWorkingFolder(const std::string& folder, std::string& error)
{
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (!std::filesystem::is_directory(folder, failure)) {
        error = "The folder " + folder + " cannot be made: " + failure.message() + ".";
        return false;
    }
    const std::pair<const char*, const char*> seeds[] = {{"settings.dat", "engines.ini"},
                                                         {"clients.dat", "clients.ini"}};
    for (const auto& [file, catalogue] : seeds) {
        const std::string target = JoinPath(folder, file);
        const std::string source = FindSharedFile(catalogue, "service/answers");
        if (source.empty() || std::filesystem::exists(target, failure))
            continue;
        // skip_existing: a file made meanwhile is kept.
        std::filesystem::copy_file(source, target, std::filesystem::copy_options::skip_existing, failure);
    }
    return true;
}

} // namespace velmora
