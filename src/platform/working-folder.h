#pragma once

#include <string>

#include "platform/result.h"

namespace velmora {

// Where the window keeps its settings. Started with `here`, or in a folder
// that holds a settings.dat, it works where it was started; otherwise (as a
// desktop menu starts it, in the home folder) in $VELMORA_HOME, else
// ${XDG_DATA_HOME:-~/.local/share}/velmora.
std::string ChooseWorkingFolder(const std::string& current, bool here);

// Makes the folder when it is missing and gives it settings.dat and
// clients.dat from the installed catalogues when it has none; files already
// there are never touched. Whether this is a first start (settings.dat was
// seeded just now); a failure when the folder cannot be made or written in.
Result<bool> PrepareWorkingFolder(const std::string& folder);

// A file the program ships: installed in share/velmora beside bin/, else in
// the source tree the program was built from (`sourcePlace`, relative to
// the top of the tree). Empty when there is none.
std::string FindSharedFile(const std::string& name, const std::string& sourcePlace);

} // namespace velmora
