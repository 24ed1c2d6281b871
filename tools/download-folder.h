#pragma once

#include <string>

namespace velmora {

// The folder a download goes to, or why there is none.
struct DownloadFolder {
    std::string path;
    std::string problem; // a sentence for people; empty when `path` can be used
};

// The Local Directory of the settings.dat in `startFolder` (the start
// folder itself when there is no settings.dat or it names none), made when
// it does not exist yet.
DownloadFolder ChooseDownloadFolder(const std::string& startFolder);

} // namespace velmora
