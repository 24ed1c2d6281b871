#pragma once

#include <string>

namespace velmora {

// The user's download folder as the desktop names it: XDG_DOWNLOAD_DIR of
// ${XDG_CONFIG_HOME:-~/.config}/user-dirs.dirs, else ~/Downloads. Empty
// when there is no home folder to find it from.
std::string FindDownloadFolder();

} // namespace velmora
