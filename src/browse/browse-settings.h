#pragma once

#include <string>

#include "browse/browse-limits.h"

namespace velmora {

// The browse limits [Settings] of settings.dat asks for (BrowseDepth,
// BrowseMaxFiles, BrowseConnections, BrowseDelayFactor), each kept to its
// range; the defaults where a key is missing or no number.
BrowseLimits ReadBrowseLimits(const std::string& settingsPath);

} // namespace velmora
