#pragma once

namespace velmora {

// Lets the calling thread give way to the others of the process (nice 10):
// for background work, such as writing saves, that must not slow the
// window down on a machine with few cores.
void YieldToOtherThreads();

} // namespace velmora
