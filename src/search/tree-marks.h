#pragma once

namespace velmora {

// Marks of engine and server items: indexes into the window's image list.
enum TreeMark : int {
    kMarkIdle = 0,
    kMarkRunning = 1,
    kMarkNeverSet = 2,
    kMarkSuccess = 3,
    kMarkFailure = 4,
    kMarkUntested = 5,
    kMarkNothingFound = 6, // an engine's page was read but named no file
};

} // namespace velmora
