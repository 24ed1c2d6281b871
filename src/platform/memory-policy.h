#pragma once

namespace velmora {

// Makes large blocks (result pages, listings: megabytes each) go back to
// the system when they are freed, instead of staying in the heap of the
// worker thread that read them. Once per process; later calls do nothing.
void KeepLargeBlocksReturnable();

} // namespace velmora
