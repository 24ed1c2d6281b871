#include "app/help-page.h"

#include <filesystem>

#include "platform/paths.h"
#include "platform/process-launch.h"

namespace velmora {

std::string FindHelpPage(const std::string& workingDirectory)
{
    const std::string programs = GetExecutableDirectory();
    const std::string candidates[] = {
        JoinPath(workingDirectory, kHelpPageName), programs + "/../share/velmora/" + kHelpPageName,
        programs + "/../../docs/" + kHelpPageName, // build/bin beside docs/
    };
    std::error_code error;
    for (const std::string& candidate : candidates) {
        if (std::filesystem::is_regular_file(candidate, error))
            return std::filesystem::weakly_canonical(candidate, error).string();
    }
    return {};
}

} // namespace velmora
