#include "reference-extractor.h"

#include "platform/ascii-case.h"
#include "search/link-filter.h"
#include "search/link-unwrap.h"

namespace velmora::test {

namespace {

// Both copies lose their first `count` characters (all of them when fewer).
void CutAfter(std::string& lower, std::string& own, std::size_t count)
{
    count = std::min(count, lower.size());
    lower.erase(0, count);
    own.erase(0, count);
}

bool LowerStartsWith(const std::string& lower, std::size_t at, std::string_view prefix)
{
    return lower.compare(at, prefix.size(), prefix) == 0;
}

bool OwnScheme(const std::string& lower, std::size_t at, bool http)
{
    return http ? LowerStartsWith(lower, at, "http://") || LowerStartsWith(lower, at, "https://")
                : LowerStartsWith(lower, at, "ftp://");
}

bool OwnTarget(const std::string& target, bool http)
{
    return OwnScheme(LowerAscii(target), 0, http);
}

} // namespace

std::vector<ReferenceLink> ReferenceExtract(std::string_view page, bool http)
{
    std::string lower = LowerAscii(page);
    std::string own(page);
    std::vector<ReferenceLink> links;
    std::size_t h = lower.find("href=");
    while (h != std::string::npos) {
        CutAfter(lower, own, h + 5);
        std::size_t start = std::string::npos;
        for (std::size_t s = 0; s < 2 && s < lower.size() && start == std::string::npos; ++s) {
            if (OwnScheme(lower, s, http))
                start = s;
        }
        const bool direct = start != std::string::npos;
        for (std::size_t s = 0; s < 2 && s < lower.size() && start == std::string::npos; ++s) {
            if (lower[s] == '/' || OwnScheme(lower, s, true))
                start = s;
        }
        std::string link;
        bool take = false;
        if (start != std::string::npos) {
            CutAfter(lower, own, start);
            std::size_t e = lower.find('"');
            if (e == std::string::npos || e == 0) {
                e = lower.find(' ');
                if (e == std::string::npos || e == 0)
                    e = lower.size();
            }
            // A link never runs past the next href.
            const std::size_t nextHref = lower.find("href=");
            const bool cutAtHref = nextHref < e;
            if (cutAtHref)
                e = nextHref;
            const std::string written = own.substr(0, e);
            const auto target = UnwrapLink(written);
            take = target ? OwnTarget(*target, http) : direct;
            link = target ? *target : written;
            if (take)
                CutAfter(lower, own, cutAtHref ? e : e + 1);
        }
        if (take && IsFileLink(link)) {
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
        h = lower.find("href=");
    }
    return links;
}

} // namespace velmora::test
