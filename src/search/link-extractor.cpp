#include "search/link-extractor.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ascii-case.h"
#include "platform/memory-policy.h"
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
// The shortest file link is "ftp://h/a.b"; a redirect needs an "=" before it.
constexpr std::size_t kShortestWrapper = 12;
// The shortest value IsFileLink takes at all: "ftp:///.".
constexpr std::size_t kShortestFileLink = 8;

bool HoldsText(std::string_view text, const std::vector<std::string>& texts)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& one) { return text.find(one) != std::string_view::npos; });
}

constexpr std::size_t kBatchOfLinks = 64;

// Posts a scan's links in batches: one lock and one wake-up for many links
// instead of one each. Flush posts what waits; the owner calls it when the
// scan ends.
class LinkPoster {
public:
    // `room`: the links expected, up to a batch.
    LinkPoster(const LinkScanContext& context, std::size_t room) : m_context(context)
    {
        m_batch.reserve(std::min(room, kBatch));
    }

    void Post(std::uint32_t id, std::string text, std::size_t urlLength, std::string_view wrapper)
    {
        auto link = std::make_unique<FoundLink>();
        link->size = static_cast<std::int32_t>(std::min<std::size_t>(text.size() + 1, INT32_MAX));
        link->text = std::move(text);
        link->urlLength = urlLength;
        link->wrapper = std::string(wrapper);
        Message& message = m_batch.emplace_back();
        message.id = id;
        message.subject = m_context.engineItem;
        message.jobId = m_context.jobId;
        message.link = std::move(link);
        if (m_batch.size() >= kBatch)
            Flush();
    }

    void Flush() { m_context.queue->PostBatch(m_batch, m_context.mostWaiting, m_context.stop); }

private:
    static constexpr std::size_t kBatch = kBatchOfLinks;
    const LinkScanContext& m_context;
    std::vector<Message> m_batch;
};

// A link the scan must not post: one it posted before, or one holding a
// hidden text. Checked last, so only a link that would be posted is kept.
bool Withheld(const LinkScanContext& context, std::string_view link, std::string_view wrapper)
{
    if (context.hidden && (HoldsText(link, *context.hidden) || HoldsText(wrapper, *context.hidden)))
        return true;
    return context.seen && !context.seen->emplace(link).second;
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

// One scan of a page's hrefs for both kinds of link. Each kind reads the
// page as if alone: for each "href=" followed directly, or after one
// character, by a link of its scheme, the link runs to the next double
// quote, else to the next blank, else to the end, and never past the next
// "href=". A value that may be an engine's redirect (a relative link or an
// http(s) one) is replaced by the target it carries when the target is of
// the kind's scheme. What a kind takes is consumed, so each kind has its own
// place in the page; an href is judged for the kinds whose place it has
// reached. Reading both at once judges a hostile page's hrefs once, not
// twice; ftp links wait until the http links are posted, which come first.
class LinkScan {
public:
    LinkScan(std::string_view page, const LinkScanContext& context)
        : m_page(page), m_context(context), m_poster(context, kBatchOfLinks), m_href(page, "href=", 3),
          m_quote(page, "\""), m_blank(page, " "), m_tagEnd(page, ">"), m_anchorEnd(page, "</a>", 2),
          m_image(page, "<img", 0), m_anchorBudget(page.size() * 2 + kAnchorBudgetSlack)
    {
    }

    // Posts the kinds asked for; false when the stop flag ended the scan.
    bool Run(bool http, bool ftp, PageScan& scan)
    {
        // A kind not asked for stands past every href.
        m_http.at = http ? 0 : npos;
        m_ftp.at = ftp ? 0 : npos;
        for (;;) {
            const std::size_t from = std::min(m_http.at, m_ftp.at);
            if (scan.httpLinks > 0 && m_ftpLinks.empty())
                GiveBackBefore(from);
            const std::size_t h = m_href.Next(from);
            if (h == npos)
                break;
            if (StopRequested(m_context)) {
                m_poster.Flush();
                return false;
            }
            const std::size_t valueAt = h + 5;
            const std::size_t nextHref = m_href.Next(valueAt);
            if (nextHref < valueAt + kShortestFileLink) {
                // Too little room before the next href for any file link
                // (a target is never longer than what carries it): nothing
                // to take, and nothing to consume that the next href would
                // not end anyway.
                if (m_http.Reached(h)) {
                    ++scan.anchors;
                    m_http.at = valueAt;
                }
                if (m_ftp.Reached(h))
                    m_ftp.at = valueAt;
                continue;
            }
            const Starts starts = FindStarts(valueAt);
            if (m_http.Reached(h)) {
                ++scan.anchors;
                m_http.at = valueAt;
                Judge(m_http, starts.http, starts.wrapper, nextHref,
                      [&](std::string_view link, std::string_view wrapper) {
                          scan.httpLinks += TakeHttpLink(link, wrapper);
                      });
            }
            if (m_ftp.Reached(h)) {
                m_ftp.at = valueAt;
                Judge(m_ftp, starts.ftp, starts.wrapper, nextHref,
                      [&](std::string_view link, std::string_view wrapper) { KeepFtpLink(link, wrapper); });
            }
        }
        PostFtpLinks(scan);
        m_poster.Flush();
        return true;
    }

private:
    // Ftp links wait as views of the page; only a target unwrapped from a
    // redirect is a text of its own. A page of a million ftp links then
    // waits in 32 bytes each, not in two strings.
    void KeepFtpLink(std::string_view link, std::string_view wrapper)
    {
        if (Withheld(m_context, link, wrapper))
            return;
        if (!InPage(link))
            link = m_unwrapped.emplace_back(link);
        m_ftpLinks.emplace_back(link, wrapper);
    }

    void PostFtpLinks(PageScan& scan)
    {
        for (const auto& [link, wrapper] : m_ftpLinks) {
            m_poster.Post(kMsgFoundFtpLink, std::string(link), link.size(), wrapper);
            ++scan.ftpLinks;
            // Later links stand later in the page (a redirect's, where it
            // was written).
            const std::string_view written = InPage(link) ? link : wrapper;
            GiveBackBefore(static_cast<std::size_t>(written.data() - m_page.data()));
        }
    }

    // Whole pages before `at`, a megabyte at a time, when the caller allows.
    void GiveBackBefore(std::size_t at)
    {
        constexpr std::size_t kStep = std::size_t{1} << 20;
        if (!m_context.giveBackScanned || at < m_givenBack + kStep)
            return;
        GiveBackPages(m_page.data() + m_givenBack, at - m_givenBack);
        m_givenBack = at;
    }

    bool InPage(std::string_view text) const
    {
        return std::less_equal<>()(m_page.data(), text.data()) &&
               std::less_equal<>()(text.data() + text.size(), m_page.data() + m_page.size());
    }

    struct Kind {
        Pass pass;
        std::size_t at = 0; // where its next href may start
        bool Reached(std::size_t h) const { return h >= at; }
    };

    // Where a value starting at `start` ends.
    std::size_t ValueEnd(std::size_t start, std::size_t nextHref)
    {
        const std::size_t q = m_quote.Next(start);
        std::size_t end = q;
        if (q == npos) {
            const std::size_t b = m_blank.Next(start);
            end = b == npos ? m_page.size() : b;
        }
        // A link also ends where the next href begins: it never swallows
        // the next anchor's link, and no byte is judged as part of two
        // links, so the scan stays linear whatever the page holds.
        return std::min(end, nextHref);
    }

    // Where an href's value may start, directly after "href=" or one
    // character later: an http(s) link, an ftp link, a possible redirect.
    struct Starts {
        std::size_t http = npos;
        std::size_t ftp = npos;
        std::size_t wrapper = npos;
    };

    Starts FindStarts(std::size_t valueAt) const
    {
        Starts starts;
        const std::size_t last = std::min(m_page.size(), valueAt + 2);
        for (std::size_t p = valueAt; p < last; ++p) {
            // Most values are told apart by their first character.
            const char first = static_cast<char>(m_page[p] | 0x20);
            const bool http = first == 'h' && IsHttpScheme(m_page, p);
            if (http && starts.http == npos)
                starts.http = p;
            if (first == 'f' && starts.ftp == npos && StartsWithNoCase(m_page, p, "ftp://"))
                starts.ftp = p;
            if ((http || m_page[p] == '/') && starts.wrapper == npos)
                starts.wrapper = p;
        }
        return starts;
    }

    // An href for one kind: a link of the kind's own scheme (at `own`) wins
    // over a possible redirect (at `wrapper`). Gives `take` each file link
    // the kind takes, and moves its place on past what it consumed.
    template <typename Take>
    void Judge(Kind& kind, std::size_t own, std::size_t wrapper, std::size_t nextHref, Take take)
    {
        const bool direct = own != npos;
        const std::size_t start = direct ? own : wrapper;
        if (start == npos)
            return;
        const Value& value = ValueAt(start, nextHref);
        if (value.target ? !IsOwnScheme(kind.pass, *value.target) : !direct)
            return;
        // What the kind has read is consumed, the delimiter too (an href
        // that ended it is read next).
        kind.at = value.end == nextHref ? value.end : std::min(m_page.size(), value.end + 1);
        const std::string_view link = value.target ? std::string_view(*value.target) : value.written;
        if (IsFileLink(link))
            take(link, value.target ? value.written : std::string_view());
    }

    // An href's value from `start` and the target it carries, worked out
    // once for both kinds.
    struct Value {
        std::size_t start = npos;
        std::size_t end = 0;
        std::string_view written;
        std::optional<std::string> target;
    };

    const Value& ValueAt(std::size_t start, std::size_t nextHref)
    {
        // A start belongs to one href only, so it names the value.
        if (m_value.start == start)
            return m_value;
        m_value.start = start;
        m_value.end = ValueEnd(start, nextHref);
        m_value.written = m_page.substr(start, m_value.end - start);
        if (m_context.bytesJudged)
            *m_context.bytesJudged += m_value.written.size();
        // A value shorter than "?u=ftp://h/a.b" carries no file link.
        if (m_value.written.size() >= kShortestWrapper && MayCarryTarget(m_value.written))
            m_value.target = UnwrapLink(m_value.written);
        else if (m_value.target)
            m_value.target.reset();
        return m_value;
    }

    // An http(s) link is posted with its anchor text, which must be there
    // and must not be an image; the anchor's tag is consumed, its text not.
    int TakeHttpLink(std::string_view link, std::string_view wrapper)
    {
        const std::size_t g = m_tagEnd.Next(m_http.at);
        if (g == npos)
            return 0;
        m_http.at = g + 1;
        const std::size_t a = m_anchorEnd.Next(m_http.at);
        if (a == npos)
            return 0;
        std::size_t length = a - m_http.at;
        if (length <= m_anchorBudget) {
            // Within the budget the text itself is searched for an image,
            // and what was read is charged; past it, the finder that reads
            // the page once answers.
            const std::size_t img = FindNoCase(m_page.substr(0, a), "<img", 0, m_http.at);
            m_anchorBudget -= (img == npos ? a : img) - m_http.at;
            if (img != npos)
                return 0;
        } else {
            const std::size_t img = m_image.Next(m_http.at);
            if (img != npos && img < a)
                return 0;
            length = std::min(length, kCutAnchorText);
        }
        // The link, a tab and the cleaned text, built in the one string posted.
        std::string posted;
        posted.reserve(link.size() + 1 + length);
        posted.append(link).append(1, '\t');
        AppendCleanLinkText(posted, m_page.substr(m_http.at, length));
        if (posted.size() == link.size() + 1 || Withheld(m_context, link, wrapper))
            return 0;
        m_poster.Post(kMsgFoundHttpLink, std::move(posted), link.size(), wrapper);
        return 1;
    }

    std::string_view m_page;
    const LinkScanContext& m_context;
    LinkPoster m_poster;
    ForwardFinder m_href;
    std::size_t m_givenBack = 0;                                           // the page before it was given back
    std::vector<std::pair<std::string_view, std::string_view>> m_ftpLinks; // link, redirect
    std::deque<std::string> m_unwrapped;
    ForwardFinder m_quote;
    ForwardFinder m_blank;
    ForwardFinder m_tagEnd;
    ForwardFinder m_anchorEnd;
    ForwardFinder m_image;
    std::size_t m_anchorBudget;
    Value m_value;
    Kind m_http{Pass::Http};
    Kind m_ftp{Pass::Ftp};
};

} // namespace

int ExtractHttpLinks(std::string_view page, const LinkScanContext& context, int* anchors)
{
    PageScan scan;
    LinkScan(page, context).Run(true, false, scan);
    if (anchors)
        *anchors += scan.anchors;
    return scan.httpLinks;
}

int ExtractFtpLinks(std::string_view page, const LinkScanContext& context)
{
    PageScan scan;
    LinkScan(page, context).Run(false, true, scan);
    return scan.ftpLinks;
}

int TakeAnswerLink(std::string_view url, std::string_view title, const LinkScanContext& context)
{
    // A JSON string may hold any byte; a link holds none of these.
    if (std::any_of(url.begin(), url.end(), [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7f; }))
        return 0;
    std::optional<std::string> target;
    if (url.size() >= kShortestWrapper && MayCarryTarget(url))
        target = UnwrapLink(url);
    const std::string_view link = target ? std::string_view(*target) : url;
    const std::string_view wrapper = target ? url : std::string_view();
    const bool http = IsHttpScheme(link);
    if (!(http || IsOwnScheme(Pass::Ftp, link)) || !IsFileLink(link) || Withheld(context, link, wrapper))
        return 0;
    LinkPoster poster(context, 1);
    if (http) {
        std::string posted(link);
        posted.append(1, '\t');
        AppendCleanLinkText(posted, title);
        if (posted.size() == link.size() + 1)
            posted.append(link);
        poster.Post(kMsgFoundHttpLink, std::move(posted), link.size(), wrapper);
    } else {
        poster.Post(kMsgFoundFtpLink, std::string(link), link.size(), wrapper);
    }
    poster.Flush();
    return 1;
}

PageScan ScanResultPage(std::string_view page, const LinkScanContext& context)
{
    PageScan scan;
    scan.stopped = !LinkScan(page, context).Run(true, true, scan) || StopRequested(context);
    return scan;
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

} // namespace velmora
