#pragma once

namespace velmora {

// Where an engine or a server stands. The values are kept with saved
// searches and the window shows each by the image of the same number.
enum ItemState : int {
    kStateIdle = 0,
    kStateRunning = 1,
    kStateNeverSet = 2,
    kStateSuccess = 3,
    kStateFailure = 4,
    kStateUntested = 5,
    kStateNothingFound = 6, // an engine's page was read but named no file
};

} // namespace velmora
