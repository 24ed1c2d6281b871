#include "platform/paths.h"

#include <filesystem>
#include <system_error>

namespace velmora {

std::string GetWorkingDirectory()
{
    std::error_code error;
    std::filesystem::path current = std::filesystem::current_path(error);
    return error ? std::string() : current.string();
}

std::string JoinPath(const std::string& directory, const std::string& name)
{
    return directory + "/" + name;
}

} // namespace velmora
