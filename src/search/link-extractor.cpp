#include "search/link-extractor.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/message-queue.h"
#include "search/ci-find.h"
#include "search/link-filter.h"

namespace velmora {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Anchor texts normally cover a page at most once. Only a page whose anchors
// never close makes every later anchor text run on to one far "</a>"; past
// this budget such texts are cut, so the scan stays linear in the page.
constexpr std::size_t kAnchorBudgetSlack = 1 << 20;
constexpr std::size_t kCutAnchorText = 256;

void PostLink(const LinkScanContext& context, std::uint32_t id, std::string text, std::size_t urlLength)
{
    auto link = std::make_unique<FoundLink>();
    link->size = static_cast<std::int32_t>(std::min<std::size_t>(text.size() + 1, INT32_MAX));
    link->text = std::move(text);
    link->urlLength = urlLength;
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

// The loop both extractors share. For each "href=" followed directly, or
// after one character, by the scheme, the link runs to the next double
// quote, else to the next blank, else to the end. `ownStep` gets each link
// that IsFileLink accepts, may move the scan position on, and says whether
// it posted.
template <typename OwnStep>
int ScanLinks(std::string_view page, std::string_view scheme, std::size_t schemePairAt, const LinkScanContext& context,
              OwnStep ownStep)
{
    ForwardFinder href(page, "href=", 3);
    ForwardFinder schemeHit(page, scheme, schemePairAt);
    ForwardFinder quote(page, "\"");
    ForwardFinder blank(page, " ");
    int count = 0;
    std::size_t at = 0;
    for (;;) {
        const std::size_t h = href.Next(at);
        if (h == npos || StopRequested(context))
            return count;
        at = h + 5;
        const std::size_t s = schemeHit.Next(at);
        if (s == npos)
            return count;
        if (s - at >= 2)
            continue;
        at = s;
        const std::size_t q = quote.Next(at);
        std::size_t end = q;
        if (q == npos || q == at) {
            const std::size_t b = blank.Next(at);
            end = (b == npos || b == at) ? page.size() : b;
        }
        const std::string_view link = page.substr(at, end - at);
        at = std::min(page.size(), end + 1);
        if (IsFileLink(link) && ownStep(link, at))
            ++count;
    }
}

} // namespace

int ExtractHttpLinks(std::string_view page, const LinkScanContext& context)
{
    ForwardFinder tagEnd(page, ">");
    ForwardFinder anchorEnd(page, "</a>", 2);
    ForwardFinder image(page, "<img", 0);
    std::size_t anchorBudget = page.size() * 2 + kAnchorBudgetSlack;
    return ScanLinks(page, "http://", 3, context, [&](std::string_view link, std::size_t& at) {
        const std::size_t g = tagEnd.Next(at);
        if (g == npos)
            return false;
        at = g + 1;
        // The anchor text is not consumed: the next href is looked for
        // from its start.
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
        PostLink(context, kMsgFoundHttpLink, std::move(posted), link.size());
        return true;
    });
}

int ExtractFtpLinks(std::string_view page, const LinkScanContext& context)
{
    return ScanLinks(page, "ftp://", 2, context, [&](std::string_view link, std::size_t&) {
        PostLink(context, kMsgFoundFtpLink, std::string(link), link.size());
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
    scan.httpLinks = ExtractHttpLinks(page, context);
    if ((scan.stopped = StopRequested(context)))
        return scan;
    scan.ftpLinks = ExtractFtpLinks(page, context);
    scan.stopped = StopRequested(context);
    return scan;
}

} // namespace velmora
