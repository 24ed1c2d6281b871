#include "reference-extractor.h"

#include "platform/ascii-case.h"
#include "search/link-filter.h"

namespace velmora::test {

namespace {

// Both copies lose their first `count` characters (all of them when fewer).
void CutAfter(std::string& lower, std::string& own, std::size_t count)
{
    count = std::min(count, lower.size());
    lower.erase(0, count);
    own.erase(0, count);
}

} // namespace

std::vector<ReferenceLink> ReferenceExtract(std::string_view page, bool http)
{
    const std::string scheme = http ? "http://" : "ftp://";
    std::string lower = LowerAscii(page);
    std::string own(page);
    std::vector<ReferenceLink> links;
    std::size_t h = lower.find("href=");
    while (h != std::string::npos) {
        CutAfter(lower, own, h + 5);
        const std::size_t s = lower.find(scheme);
        if (s == std::string::npos)
            break;
        if (s < 2) {
            CutAfter(lower, own, s);
            std::size_t e = lower.find('"');
            if (e == std::string::npos || e == 0) {
                e = lower.find(' ');
                if (e == std::string::npos || e == 0)
                    e = lower.size();
            }
            const std::string link = own.substr(0, e);
            CutAfter(lower, own, e + 1);
            if (IsFileLink(link)) {
                if (!http) {
                    links.push_back({false, link, {}});
                } else {
                    const std::size_t g = lower.find('>');
                    if (g != std::string::npos) {
                        CutAfter(lower, own, g + 1);
                        const std::size_t a = lower.find("</a>");
                        if (a != std::string::npos && lower.substr(0, a).find("<img") == std::string::npos) {
                            const std::string text = CleanLinkText(own.substr(0, a));
                            if (!text.empty())
                                links.push_back({true, link, text});
                        }
                    }
                }
            }
        }
        h = lower.find("href=");
    }
    return links;
}

} // namespace velmora::test
