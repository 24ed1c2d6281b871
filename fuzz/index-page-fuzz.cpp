// Any index page, read whole and in pieces of any size: no crash, no name
// that leads out of its folder, and never more entries than the cap. (How
// libxml2 recovers from broken markup may depend on where the pieces end,
// so the two readings are not compared; ordinary pages are, in the tests.)

#include <cstdint>
#include <string_view>

#include "browse/index-page.h"
#include "fuzz-check.h"

namespace {

void RequireListable(const std::vector<velmora::ListedEntry>& entries)
{
    for (const velmora::ListedEntry& entry : entries)
        Require(velmora::IsListableName(entry.name));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the size of the pieces and the cap.
    const std::size_t piece = 1 + data[0] % 64;
    const std::size_t cap = 1 + data[0] % 7;
    const std::string_view page(reinterpret_cast<const char*>(data + 1), size - 1);
    const velmora::IndexPlace place{"http", "files.example.org", 8080, "/pub/"};
    RequireListable(velmora::ParseIndexPage(page, place));
    velmora::IndexPageReader reader(place, cap);
    for (std::size_t at = 0; at < page.size() && reader.Feed(page.substr(at, piece)); at += piece) {
    }
    const auto pieces = reader.Finish();
    RequireListable(pieces);
    Require(pieces.size() <= cap);
    return 0;
}
