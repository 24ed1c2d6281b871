// Any page: the extractors must not crash, and on pages small enough for
// the literal reference scan they must post exactly what it finds.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "search/extractor-harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    const auto run = velmora::test::RunExtractors(page);
    // The one scan a search makes gives what the two kinds give alone.
    if (velmora::test::RunPageScan(page).links != run.links)
        std::abort();
    if (size > 8192)
        return 0;
    auto expected = velmora::test::ReferenceExtract(page, true);
    const auto ftp = velmora::test::ReferenceExtract(page, false);
    expected.insert(expected.end(), ftp.begin(), ftp.end());
    if (run.links != expected || static_cast<std::size_t>(run.httpCount + run.ftpCount) != expected.size())
        std::abort();
    return 0;
}
