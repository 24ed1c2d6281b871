// Any FTP listing text (MLSD, LIST line by line, a bucket or JSON listing) and any
// date or size a listing or an index page writes: no crash, no undefined
// behaviour, only names that stay in their folder, and dates within the
// years a listing can name.

#include <cstdint>
#include <string_view>

#include "browse/bucket-listing.h"
#include "browse/json-listing.h"
#include "browse/list-lines.h"
#include "browse/listing-text.h"
#include "fuzz-check.h"
#include "platform/http-date.h"

namespace {

bool Plausible(const std::optional<std::int64_t>& when)
{
    // 1970 to the end of 9999.
    return !when || (*when >= 0 && *when <= 253402300799);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const velmora::ListedEntry& entry : velmora::ParseMlsd(text)) {
        Require(velmora::IsListableName(entry.name));
        Require(Plausible(entry.modified));
    }
    const std::int64_t now = 1796645101; // 2026-12-07
    const velmora::ListLines listed = velmora::ParseListLines(text, now);
    for (const velmora::ListedEntry& entry : listed.entries) {
        Require(velmora::IsListableName(entry.name));
        Require(Plausible(entry.modified));
    }
    if (const auto bucket = velmora::ParseBucketListing(text, "")) {
        for (const velmora::ListedEntry& entry : *bucket)
            Require(velmora::IsListableName(entry.name) && Plausible(entry.modified));
    }
    if (const auto json = velmora::ParseJsonListing(text, 1000)) {
        Require(json->size() <= 1000);
        for (const velmora::ListedEntry& entry : *json)
            Require(velmora::IsListableName(entry.name) && Plausible(entry.modified));
    }
    Require(Plausible(velmora::ParseIsoTime(text)));
    velmora::ParseRoundedSize(text);
    Require(Plausible(velmora::ParseListTime(text, now)));
    Require(Plausible(velmora::ParseMlsdTime(text)));
    std::size_t end = 0;
    const auto indexDate = velmora::FindIndexDate(text, &end);
    Require(Plausible(indexDate));
    Require(!indexDate || end <= text.size());
    velmora::ParseByteCount(text);
    velmora::ParseHttpDate(text);
    return 0;
}
