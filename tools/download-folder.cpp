#include "download-folder.h"

#include "settings/local-directory.h"

namespace velmora {

DownloadFolder ChooseDownloadFolder(const std::string& startFolder)
{
    DownloadFolder folder;
    folder.path = ReadLocalDirectory(startFolder);
    folder.problem = MakeLocalDirectory(folder.path).Why();
    return folder;
}

} // namespace velmora
