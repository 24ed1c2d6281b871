#include "download-folder.h"

#include <filesystem>
#include <system_error>

#include "settings/local-directory.h"

namespace velmora {

DownloadFolder ChooseDownloadFolder(const std::string& startFolder)
{
    DownloadFolder folder;
    folder.path = ReadLocalDirectory(startFolder);
    std::error_code error;
    if (std::filesystem::is_directory(folder.path, error))
        return folder;
    // The user named this folder; making it is what they asked for.
    std::filesystem::create_directories(folder.path, error);
    if (!error && std::filesystem::is_directory(folder.path, error))
        return folder;
    folder.problem = "The Local Directory " + folder.path + " cannot be used" +
                     (error ? " (" + error.message() + ")" : std::string()) +
                     ": choose another in Edit > Settings > FTP Clients.";
    return folder;
}

} // namespace velmora
