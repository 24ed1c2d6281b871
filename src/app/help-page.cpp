#include "app/help-page.h"

#include <filesystem>

#include "platform/paths.h"
#include "platform/working-folder.h"

namespace velmora {

std::string FindHelpPage(const std::string& workingDirectory)
{
    const std::string own = JoinPath(workingDirectory, kHelpPageName);
    std::error_code error;
    if (std::filesystem::is_regular_file(own, error))
        return std::filesystem::weakly_canonical(own, error).string();
    return FindSharedFile(kHelpPageName, "docs");
}

} // namespace velmora
