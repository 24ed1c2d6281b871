// Any index page: no crash, only names that stay in their folder, and the
// same entries whether the page arrives whole or in pieces of any size.

#include <cstdint>
#include <string_view>

#include "browse/index-page.h"
#include "fuzz-check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the size of the pieces.
    const std::size_t piece = 1 + data[0] % 64;
    const std::string_view page(reinterpret_cast<const char*>(data + 1), size - 1);
    const velmora::IndexPlace place{"http", "files.example.org", 8080, "/pub/"};
    const auto whole = velmora::ParseIndexPage(page, place);
    velmora::IndexPageReader reader(place);
    for (std::size_t at = 0; at < page.size(); at += piece)
        reader.Feed(page.substr(at, piece));
    const auto pieces = reader.Finish();
    Require(pieces.size() == whole.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
        Require(velmora::IsListableName(whole[i].name));
        Require(pieces[i].name == whole[i].name && pieces[i].isDirectory == whole[i].isDirectory);
        Require(pieces[i].size == whole[i].size && pieces[i].modified == whole[i].modified);
    }
    return 0;
}
