#pragma once

#include <cstddef>

namespace velmora {

// Makes large blocks (result pages, listings: megabytes each) go back to
// the system when they are freed, instead of staying in the heap of the
// worker thread that read them. Once per process; later calls do nothing.
void KeepLargeBlocksReturnable();

// Gives the whole memory pages within [begin, begin + length) back to the
// system; they read as zeros if touched again. For a block of the caller's
// own, from the heap, of which that part is read no more.
void GiveBackPages(const char* begin, std::size_t length);

} // namespace velmora
