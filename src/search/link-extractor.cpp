#include "search/link-extractor.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/ascii-case.h"
#include "platform/message-queue.h"
#include "search/ci-find.h"
#include "search/link-filter.h"
#include "search/link-unwrap.h"

namespace velmora {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Anchor texts normally cover a page at most once. Only a page whose anchors
// never close makes every later anchor text run on to one far "</a>"; past
// this budget such texts are cut, so the scan stays linear in the page.
constexpr std::size_t kAnchorBudgetSlack = 1 << 20;
constexpr std::size_t kCutAnchorText = 256;

void PostLink(const LinkScanContext& context, std::uint32_t id, std::string text, std::size_t urlLength,
              std::string_view wrapper)
{
    auto link = std::make_unique<FoundLink>();
    link->size = static_cast<std::int32_t>(std::min<std::size_t>(text.size() + 1, INT32_MAX));
    link->text = std::move(text);
    link->urlLength = urlLength;
    link->wrapper = std::string(wrapper);
    Message message;
    message.id = id;
    message.lParam = context.engineItem;
    message.jobId = context.jobId;
    message.link = std::move(link);
    context.queue->Post(std::move(message));
}

bool StopRequested(const LinkScanContext& context)
{
    return context.stop != nullptr && context.stop->load(std::memory_order_relaxed);
}

// `prefix` in lowercase; letters of the text match in either case.
inline bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix)
{
    if (text.size() - at < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[at + i]) != prefix[i])
            return false;
    }
    return true;
}

inline bool IsHttpScheme(std::string_view text, std::size_t at = 0)
{
    // Most hrefs are told apart by their first letter.
    if (at >= text.size() || (text[at] | 0x20) != 'h' || !StartsWithNoCase(text, at, "http"))
        return false;
    return StartsWithNoCase(text, at + 4, "://") || StartsWithNoCase(text, at + 4, "s://");
}

// What a pass takes directly: http and https links, or ftp links.
enum class Pass { Http, Ftp };

bool IsOwnScheme(Pass pass, std::string_view text, std::size_t at = 0)
{
    if (pass == Pass::Http)
        return IsHttpScheme(text, at);
    return at < text.size() && (text[at] | 0x20) == 'f' && StartsWithNoCase(text, at, "ftp://");
}

// An href value that could be a search engine's redirect: an http(s) link
// or one relative to the engine's own site.
bool MayBeWrapper(std::string_view page, std::size_t at)
{
    return page[at] == '/' || IsHttpScheme(page, at);
}

// The loop both extractors share. For each "href=" followed directly, or
// after one character, by a link the pass takes, the link runs to the next
// double quote, else to the next blank, else to the end, and never past the
// next "href=". A value that may
// be an engine's redirect (a relative link or an http(s) one) is replaced
// by the target it carries when the target belongs to this pass. `ownStep`
// gets each link that IsFileLink accepts and the redirect it came from, may
// move the scan position on, and says whether it posted.
template <typename OwnStep>
int ScanLinks(std::string_view page, Pass pass, const LinkScanContext& context, int* anchors, OwnStep ownStep)
{
    ForwardFinder href(page, "href=", 3);
    ForwardFinder quote(page, "\"");
    ForwardFinder blank(page, " ");

    int count = 0;
    std::size_t at = 0;
    for (;;) {
        const std::size_t h = href.Next(at);
        if (h == npos || StopRequested(context))
            return count;
        if (anchors)
            ++*anchors;
        at = h + 5;
        // A link of the pass's own scheme wins over a possible redirect.
        const std::size_t last = std::min(page.size(), at + 2);
        std::size_t start = npos;
        for (std::size_t p = at; p < last && start == npos; ++p)
            start = IsOwnScheme(pass, page, p) ? p : npos;
        const bool direct = start != npos;
        for (std::size_t p = at; p < last && start == npos; ++p)
            start = MayBeWrapper(page, p) ? p : npos;
        if (start == npos)
            continue;
        const std::size_t q = quote.Next(start);
        std::size_t end = q;
        if (q == npos || q == start) {
            const std::size_t b = blank.Next(start);
            end = (b == npos || b == start) ? page.size() : b;
        }
        // A link also ends where the next href begins: it never swallows
        // the next anchor's link, and no byte is judged as part of two
        // links, so the scan stays linear whatever the page holds.
        const std::size_t nextHref = href.Next(at);
        const bool cutAtHref = nextHref < end;
        if (cutAtHref)
            end = nextHref;
        const std::string_view written = page.substr(start, end - start);
        if (context.bytesJudged)
            *context.bytesJudged += written.size();
        const std::optional<std::string> target = MayCarryTarget(written) ? UnwrapLink(written) : std::nullopt;
        if (target ? !IsOwnScheme(pass, *target) : !direct)
            continue;
        // What the pass has read is consumed, the delimiter too (an href
        // that ended it is read next).
        at = cutAtHref ? end : std::min(page.size(), end + 1);
        const std::string_view link = target ? std::string_view(*target) : written;
        if (IsFileLink(link) && ownStep(link, target ? written : std::string_view(), at))
            ++count;
    }
}

} // namespace

int ExtractHttpLinks(std::string_view page, const LinkScanContext& context, int* anchors)
{
    ForwardFinder tagEnd(page, ">");
    ForwardFinder anchorEnd(page, "</a>", 2);
    ForwardFinder image(page, "<img", 0);
    std::size_t anchorBudget = page.size() * 2 + kAnchorBudgetSlack;
    return ScanLinks(page, Pass::Http, context, anchors,
                     [&](std::string_view link, std::string_view wrapper, std::size_t& at) {
                         const std::size_t g = tagEnd.Next(at);
                         if (g == npos)
                             return false;
                         at = g + 1;
                         // The anchor text is not consumed: the next href is
                         // looked for from its start.
                         const std::size_t a = anchorEnd.Next(at);
                         if (a == npos)
                             return false;
                         const std::size_t img = image.Next(at);
                         if (img != npos && img < a)
                             return false;
                         std::size_t length = a - at;
                         if (length <= anchorBudget)
                             anchorBudget -= length;
                         else
                             length = std::min(length, kCutAnchorText);
                         std::string text = CleanLinkText(page.substr(at, length));
                         if (text.empty())
                             return false;
                         std::string posted;
                         posted.reserve(link.size() + 1 + text.size());
                         posted.append(link).append(1, '\t').append(text);
                         PostLink(context, kMsgFoundHttpLink, std::move(posted), link.size(), wrapper);
                         return true;
                     });
}

int ExtractFtpLinks(std::string_view page, const LinkScanContext& context)
{
    return ScanLinks(page, Pass::Ftp, context, nullptr,
                     [&](std::string_view link, std::string_view wrapper, std::size_t&) {
                         PostLink(context, kMsgFoundFtpLink, std::string(link), link.size(), wrapper);
                         return true;
                     });
}

} // namespace velmora

namespace velmora {

void AppendPageData(std::string& page, std::string_view data)
{
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t lineFeed = data.find('\n', at);
        const std::size_t end = lineFeed == npos ? data.size() : lineFeed;
        page.append(data.substr(at, end - at));
        at = end + 1;
    }
}

PageScan ScanResultPage(std::string_view page, const LinkScanContext& context)
{
    PageScan scan;
    scan.httpLinks = ExtractHttpLinks(page, context, &scan.anchors);
    if ((scan.stopped = StopRequested(context)))
        return scan;
    scan.ftpLinks = ExtractFtpLinks(page, context);
    scan.stopped = StopRequested(context);
    return scan;
}

} // namespace velmora
