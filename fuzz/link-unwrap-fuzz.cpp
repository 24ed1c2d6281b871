// Any link an engine's page may hold: no crash, a target only when the quick
// look allowed one, and never a target that is itself unwrapped again.

#include <cstdint>
#include <string_view>

#include "fuzz-check.h"
#include "search/link-unwrap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view link(reinterpret_cast<const char*>(data), size);
    const auto target = velmora::UnwrapLink(link);
    // The extractor unwraps only what MayCarryTarget lets through.
    Require(!target || velmora::MayCarryTarget(link));
    velmora::DecodeCharacterReferences(link);
    velmora::DecodeBase64Url(link);
    velmora::QueryParameter(link, "u");
    if (target)
        Require(target->size() <= link.size() * 2 + 16);
    return 0;
}
