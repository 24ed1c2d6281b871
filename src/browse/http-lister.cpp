// Listing HTTP(S) directories by their index pages.

#include <ctime>

#include "browse/bucket-listing.h"
#include "browse/directory-lister.h"
#include "browse/index-page.h"
#include "browse/json-listing.h"
#include "platform/ascii-case.h"
#include "platform/http-fetch.h"
#include "platform/text-escape.h"
#include "platform/url-split.h"
#include "results/result-actions.h"
#include "search/engine-health.h"

namespace velmora {

namespace {

// "Retry-After: 120" (seconds) or an HTTP date.
std::optional<std::chrono::seconds> RetryAfter(const FetchResult& fetched)
{
    const auto value = fetched.Header("Retry-After");
    const auto seconds = value ? ParseRetryAfter(*value, std::time(nullptr)) : std::nullopt;
    if (!seconds)
        return value && !value->empty() ? std::optional(std::chrono::seconds(60)) : std::nullopt;
    return std::chrono::seconds(*seconds);
}

// The most of a bucket listing kept to be read whole (S3 sends at most a
// thousand keys a page, a few hundred KiB).
constexpr std::size_t kMaxBucketBytes = std::size_t{4} << 20;

std::string Sentence(long status)
{
    const std::string code = " (" + std::to_string(status) + ").";
    if (status == 401 || status == 403)
        return "The server refused to list the directory" + code;
    if (status == 404 || status == 410)
        return "The server has no such directory" + code;
    if (status >= 300 && status < 400)
        return "The server sends this directory elsewhere" + code;
    if (status == 429 || status == 503)
        return "The server asked to slow down" + code;
    return "The server answered" + code;
}

// Whether an answer's first bytes open a page (markup), not a file's bytes.
bool LooksLikeMarkup(std::string_view start)
{
    if (start.starts_with("\xEF\xBB\xBF"))
        start.remove_prefix(3);
    const std::size_t first = start.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && start[first] == '<';
}

// What an answer's first bytes show it to be.
enum class ListingForm { Page, Bucket, Json };

ListingForm FormOf(std::string_view start)
{
    if (LooksLikeBucketListing(start))
        return ListingForm::Bucket;
    return LooksLikeJsonListing(start) ? ListingForm::Json : ListingForm::Page;
}

class HttpLister : public DirectoryLister {
public:
    HttpLister(const BrowseTarget& target, const BrowseLimits& limits, const std::atomic<bool>& stop,
               ServerFindings& findings)
        : m_target(target), m_limits(limits), m_stop(stop), m_findings(findings)
    {
        m_place.scheme = target.service == kServiceHttps ? "https" : "http";
        m_place.host = LowerAscii(target.server);
        m_place.port = target.port;
    }

    ListOutcome List(const std::string& directory) override { return ListPage(directory, {}); }
    ListOutcome ListFrom(const std::string& directory, const std::string& after) override
    {
        return ListPage(directory, after);
    }

    // A folder linked without "/" answers with a redirect to its name with
    // one, or with an index page of its own. Only the start of the answer
    // is read: a large file is not fetched to learn it is one.
    std::optional<bool> IsFolder(const std::string& path) override
    {
        constexpr std::size_t kMostRead = 256 * 1024;
        FetchOptions options = Options(MakeDirectoryUrl(m_target, path));
        options.maxBytes = kMostRead;
        IndexPlace place = m_place;
        place.directory = path + "/";
        place.base = path.substr(0, path.rfind('/') + 1); // a page at /pub/name links from /pub/
        IndexPageReader reader(place, 1);
        bool enough = false;
        bool page = false;
        options.enough = &enough;
        const FetchResult fetched = m_connection.Fetch(options, [&](std::string_view data) {
            if (!page && !LooksLikeMarkup(data)) {
                enough = true; // a file's bytes, not a page
                return;
            }
            page = true;
            enough = !reader.Feed(data);
        });
        if (fetched.status != FetchStatus::Ok && fetched.status != FetchStatus::TooLarge)
            return std::nullopt;
        if (fetched.httpStatus >= 300 && fetched.httpStatus < 400) {
            const auto location = fetched.Header("Location");
            if (location && RedirectPath(*location, place.base) == place.directory)
                return true;
            return std::nullopt;
        }
        if (fetched.httpStatus != 200)
            return std::nullopt;
        const auto type = fetched.Header("Content-Type");
        return page && type && LowerAscii(*type).find("html") != std::string::npos && !reader.Finish().empty();
    }

private:
    ListOutcome ListPage(const std::string& directory, const std::string& after)
    {
        FetchOptions options = Options(ListingUrl(directory, after));
        m_place.directory = directory;
        // An index page is read as it arrives, with no copy kept; a bucket
        // listing (XML) or a JSON listing, told by their first bytes, is
        // kept to be read whole.
        IndexPageReader reader(m_place, MaxEntries());
        bool full = false;
        std::optional<ListingForm> form;
        std::string document;
        options.enough = &full;
        bool tooLarge = false;
        const FetchResult fetched = m_connection.Fetch(options, [&](std::string_view data) {
            if (!form)
                form = FormOf(data);
            if (*form == ListingForm::Page) {
                full = !reader.Feed(data);
            } else if (*form == ListingForm::Bucket && document.size() + data.size() > kMaxBucketBytes) {
                // A bucket page holds a thousand keys; more is no bucket.
                tooLarge = true;
                full = true;
            } else {
                document.append(data);
            }
        });
        ListOutcome outcome = Judge(fetched);
        if (tooLarge)
            outcome.reason = "The bucket listing is larger than " + std::to_string(kMaxBucketBytes >> 20) + " MiB.";
        if (!outcome.reason.empty())
            return outcome;
        if (form == ListingForm::Bucket)
            return ReadBucket(directory, document);
        if (form == ListingForm::Json)
            return ReadJson(document);
        const auto type = fetched.Header("Content-Type");
        if (type && LowerAscii(*type).find("html") == std::string::npos) {
            outcome.reason = "The server gives a file here, not an index page.";
            return outcome;
        }
        outcome.ok = true;
        outcome.entries = reader.Finish();
        return outcome;
    }

    FetchOptions Options(std::string url) const
    {
        FetchOptions options;
        options.url = std::move(url);
        options.userAgent = m_limits.userAgent;
        // Caddy answers with its JSON listing, exact to the byte, when asked.
        options.headers = {"Accept: text/html,application/xhtml+xml,application/json;q=0.9,*/*;q=0.8"};
        options.connectTimeoutSeconds = m_limits.connectTimeoutSeconds;
        options.lowSpeedSeconds = m_limits.lowSpeedSeconds;
        options.totalTimeoutSeconds = m_limits.listingTimeoutSeconds;
        // A redirect could lead to another server whose links would be
        // taken for this one's: none is followed, and it is told as such.
        options.maxRedirects = 0;
        options.sameOriginRedirectsOnly = true;
        options.maxBytes = m_limits.maxListingBytes;
        options.stop = &m_stop;
        return options;
    }

    // The path a redirect's Location names, resolved against the directory
    // the request was in; empty when it names another server.
    std::string RedirectPath(const std::string& location, const std::string& directory) const
    {
        std::string path = location.substr(0, location.find_first_of("?#"));
        if (path.find("://") != std::string::npos) {
            const auto split = SplitUrl(path);
            if (!split || LowerAscii(split->server) != m_place.host || split->port != m_place.port)
                return {};
            return PercentDecode(split->path);
        }
        return PercentDecode(path.starts_with('/') ? path : EncodeUrlPath(directory) + path);
    }

    // A folder of a bucket is asked of the bucket's root by prefix, as S3
    // lists, and its later pages by marker; any other folder by its own URL.
    std::string ListingUrl(const std::string& directory, const std::string& after) const
    {
        const std::string marker = after.empty() ? "" : "marker=" + EncodeQueryValue(after);
        const auto root = m_findings.BucketRoot();
        if (!root || !directory.starts_with(*root) || directory == *root)
            return MakeDirectoryUrl(m_target, directory) + (marker.empty() ? "" : "?" + marker);
        return MakeDirectoryUrl(m_target, *root) +
               "?delimiter=%2F&prefix=" + EncodeQueryValue(directory.substr(root->size())) +
               (marker.empty() ? "" : "&" + marker);
    }

    // Why a fetch gave no listing; an empty reason when it may give one.
    ListOutcome Judge(const FetchResult& fetched) const
    {
        ListOutcome outcome;
        outcome.status = fetched.httpStatus;
        if (fetched.status == FetchStatus::Stopped) {
            outcome.reason = "Stopped.";
        } else if (fetched.status == FetchStatus::TooLarge) {
            outcome.reason = "The listing is larger than " + std::to_string(m_limits.maxListingBytes >> 20) + " MiB.";
        } else if (fetched.status != FetchStatus::Ok) {
            const std::string why = DescribeConnectionFailure(fetched);
            outcome.reason = why.empty() ? "The listing failed: " + fetched.error : why;
        } else if (fetched.httpStatus != 200) {
            outcome.slowDown = fetched.httpStatus == 429 || fetched.httpStatus == 503;
            if (outcome.slowDown)
                outcome.retryAfter = RetryAfter(fetched);
            outcome.reason = Sentence(fetched.httpStatus);
        }
        return outcome;
    }

    std::size_t MaxEntries() const { return m_limits.maxFiles + m_limits.maxDirectories; }

    ListOutcome ReadJson(std::string_view document) const
    {
        ListOutcome outcome;
        outcome.status = 200;
        auto entries = ParseJsonListing(document, MaxEntries());
        if (!entries) {
            outcome.reason = "The server gives a JSON document here, not a listing.";
            return outcome;
        }
        outcome.ok = true;
        outcome.entries = std::move(*entries);
        return outcome;
    }

    ListOutcome ReadBucket(const std::string& directory, std::string_view document)
    {
        ListOutcome outcome;
        outcome.status = 200;
        const auto root = m_findings.BucketRoot();
        const std::string prefix = root && directory.starts_with(*root) ? directory.substr(root->size()) : "";
        auto entries = ParseBucketListing(document, prefix, &outcome.continueAfter);
        if (!entries) {
            outcome.reason = "The server gives an XML document here, not a listing.";
            return outcome;
        }
        m_findings.SetBucketRoot(directory); // the bucket's root: its folders are asked of it
        outcome.ok = true;
        outcome.entries = std::move(*entries);
        return outcome;
    }

    BrowseTarget m_target;
    BrowseLimits m_limits;
    const std::atomic<bool>& m_stop;
    IndexPlace m_place;
    HttpConnection m_connection; // one kept-alive connection for every folder this worker lists
    ServerFindings& m_findings;
};

} // namespace

std::unique_ptr<DirectoryLister> MakeHttpLister(const BrowseTarget& target, const BrowseLimits& limits,
                                                const std::atomic<bool>& stop, ServerFindings& findings)
{
    return std::make_unique<HttpLister>(target, limits, stop, findings);
}

} // namespace velmora
