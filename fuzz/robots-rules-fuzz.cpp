// Any robots.txt: no crash, a crawl delay within its bounds, and answers
// for paths taken from the file itself.

#include <cstdint>
#include <string>
#include <string_view>

#include "browse/robots-rules.h"
#include "fuzz-check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto rules = velmora::RobotsRules::Parse(text);
    if (const auto delay = rules.GetCrawlDelay())
        Require(*delay >= 0 && *delay <= velmora::RobotsRules::kLongestCrawlDelay);
    // Every line of the file, read as a path, gets an answer.
    std::size_t at = 0;
    for (int asked = 0; at < text.size() && asked < 64; ++asked) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        rules.Allows("/" + std::string(text.substr(at, std::min<std::size_t>(end - at, 512))));
        at = end + 1;
    }
    Require(velmora::RobotsRules::DisallowAll().Allows("/") == false);
    return 0;
}
