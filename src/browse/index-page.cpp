#include "browse/index-page.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_set>

#include "browse/listing-text.h"
#include "platform/ascii-case.h"
#include "results/url-split.h"

namespace velmora {

namespace {

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
struct XmlTextDeleter {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

std::string_view NameOf(const xmlNode* node)
{
    return node->name ? reinterpret_cast<const char*>(node->name) : "";
}

// All text under a node, at most `limit` bytes of it.
void AppendText(const xmlNode* node, std::string& out, std::size_t limit)
{
    for (; node != nullptr && out.size() < limit; node = node->next) {
        if (node->type == XML_TEXT_NODE && node->content)
            out.append(reinterpret_cast<const char*>(node->content));
        else if (node->type == XML_ELEMENT_NODE)
            AppendText(node->children, out, limit);
    }
}

// What stands beside a link: the cells after its cell in a table row
// (Apache, lighttpd), else the text after it up to the next element
// (nginx writes date and size there).
std::string Beside(const xmlNode* link)
{
    constexpr std::size_t kLimit = 512;
    std::string text;
    const xmlNode* cell = link->parent;
    if (cell && EqualsNoCase(NameOf(cell), "td")) {
        for (const xmlNode* next = cell->next; next != nullptr && text.size() < kLimit; next = next->next) {
            if (next->type == XML_ELEMENT_NODE && EqualsNoCase(NameOf(next), "td")) {
                text += ' ';
                AppendText(next->children, text, kLimit);
            }
        }
        return text;
    }
    for (const xmlNode* next = link->next; next != nullptr && next->type == XML_TEXT_NODE; next = next->next) {
        if (next->content)
            text.append(reinterpret_cast<const char*>(next->content));
        if (text.size() >= kLimit)
            break;
    }
    return text;
}

// The size after the date: a plain count of bytes; "1.2K" or "-" tell none.
std::optional<std::uint64_t> SizeAfter(std::string_view text)
{
    std::size_t at = text.find_first_not_of(" \t\r\n");
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::size_t end = text.find_first_of(" \t\r\n", at);
    return ParseByteCount(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
}

// The decoded path a link leads to on this page's server, or nothing when
// it leads elsewhere (another server or scheme, a query, a fragment only,
// another scheme such as mailto:).
std::optional<std::string> ResolveLink(std::string_view href, const IndexPlace& place)
{
    const std::size_t cut = href.find_first_of("?#");
    if (cut != std::string_view::npos) {
        // A sort link or a page anchor: not a listing entry.
        return std::nullopt;
    }
    std::string path;
    const std::size_t colon = href.find(':');
    const std::size_t firstSlash = href.find('/');
    if (colon != std::string_view::npos && (firstSlash == std::string_view::npos || colon < firstSlash)) {
        // An absolute URL: only one back to this very server.
        const auto parsed = SplitUrl(href);
        if (!parsed || parsed->service == kServiceFtp)
            return std::nullopt;
        const std::string scheme = parsed->service == kServiceHttps ? "https" : "http";
        if (scheme != place.scheme || LowerAscii(parsed->server) != place.host || parsed->port != place.port ||
            !parsed->user.empty())
            return std::nullopt;
        return parsed->path.empty() ? std::string("/") : parsed->path;
    }
    if (href.starts_with("//")) {
        const auto parsed = SplitUrl(place.scheme + ":" + std::string(href));
        if (!parsed || LowerAscii(parsed->server) != place.host || parsed->port != place.port)
            return std::nullopt;
        return parsed->path.empty() ? std::string("/") : parsed->path;
    }
    const bool directory = href.ends_with('/');
    if (href.starts_with('/'))
        path = std::string(href);
    else
        path = place.directory + std::string(href);
    // Dot segments resolve before decoding, so "%2e%2e" stays a name.
    path = RemoveDotSegments(path);
    if (directory && !path.ends_with('/'))
        path += '/';
    std::string decoded;
    decoded.reserve(path.size());
    // Decoded segment by segment: an encoded "/" would fake a deeper path.
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t slash = path.find('/', at);
        const std::string segment = PercentDecode(
            std::string_view(path).substr(at, slash == std::string::npos ? std::string::npos : slash - at));
        if (segment.find('/') != std::string::npos)
            return std::nullopt;
        decoded += segment;
        if (slash == std::string::npos)
            break;
        decoded += '/';
        at = slash + 1;
    }
    return decoded;
}

} // namespace

void InitializeHtmlParser()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

std::vector<ListedEntry> ParseIndexPage(std::string_view html, const IndexPlace& place)
{
    InitializeHtmlParser();
    std::vector<ListedEntry> entries;
    if (html.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return entries;
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                        HTML_PARSE_NOIMPLIED | HTML_PARSE_COMPACT;
    std::unique_ptr<xmlDoc, DocumentDeleter> document(
        htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8", options));
    if (!document)
        return entries;
    std::unordered_set<std::string> seen; // a page may link a name twice (icon and text)
    // Walked without recursion: a hostile page may nest a million elements.
    const xmlNode* node = xmlDocGetRootElement(document.get());
    while (node != nullptr) {
        if (node->type == XML_ELEMENT_NODE && EqualsNoCase(NameOf(node), "a")) {
            std::unique_ptr<xmlChar, XmlTextDeleter> href(
                xmlGetProp(const_cast<xmlNode*>(node), reinterpret_cast<const xmlChar*>("href")));
            if (href) {
                const std::string_view link(reinterpret_cast<const char*>(href.get()));
                const auto path = ResolveLink(link, place);
                // Only a direct child of this directory is an entry.
                if (path && path->size() > place.directory.size() && path->starts_with(place.directory)) {
                    std::string name = path->substr(place.directory.size());
                    const bool isDirectory = name.ends_with('/');
                    if (isDirectory)
                        name.pop_back();
                    if (IsListableName(name) && seen.insert(name).second) {
                        ListedEntry entry;
                        entry.name = std::move(name);
                        entry.isDirectory = isDirectory;
                        const std::string beside = Beside(node);
                        std::size_t afterDate = 0;
                        entry.modified = FindIndexDate(beside, &afterDate);
                        if (entry.modified && !isDirectory)
                            entry.size = SizeAfter(std::string_view(beside).substr(afterDate));
                        entries.push_back(std::move(entry));
                    }
                }
            }
        }
        if (node->children != nullptr && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node->next == nullptr)
            node = node->parent && node->parent->type == XML_ELEMENT_NODE ? node->parent : nullptr;
        if (node != nullptr)
            node = node->next;
    }
    return entries;
}

} // namespace velmora
