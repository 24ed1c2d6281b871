#include "browse/index-page.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <utility>

#include "browse/listing-text.h"
#include "platform/ascii-case.h"
#include "platform/url-split.h"

namespace velmora {

namespace {

// The size after the date: a plain count of bytes, or a rounded one
// ("1.2K", "4.7 GB": `approximate` set); "-" tells none.
std::optional<std::uint64_t> SizeAfter(std::string_view text, bool& approximate)
{
    std::size_t at = text.find_first_not_of(" \t\r\n");
    // lighttpd's dates end in seconds the date reader leaves (":33").
    if (at != std::string_view::npos && text[at] == ':')
        at = text.find_first_not_of(" \t\r\n", std::min(text.find_first_of(" \t\r\n", at), text.size()));
    if (at == std::string_view::npos)
        return std::nullopt;
    std::size_t end = std::min(text.find_first_of(" \t\r\n", at), text.size());
    // "4301 KB": a unit may stand after one blank, and then the number is
    // no count of bytes.
    const bool bareNumber = text.substr(at, end - at).find_first_not_of("0123456789.") == std::string_view::npos;
    const std::size_t unit = text.find_first_not_of(" ", end);
    if (bareNumber && unit != std::string_view::npos && unit == end + 1) {
        const std::size_t unitEnd = std::min(text.find_first_of(" \t\r\n", unit), text.size());
        if (const auto rounded = ParseRoundedSize(text.substr(at, unitEnd - at))) {
            const std::string unitWord = LowerAscii(text.substr(unit, unitEnd - unit));
            approximate = unitWord != "b" && unitWord != "byte" && unitWord != "bytes";
            return rounded;
        }
    }
    if (const auto exact = ParseByteCount(text.substr(at, end - at)))
        return exact;
    const auto rounded = ParseRoundedSize(text.substr(at, end - at));
    approximate = rounded.has_value();
    return rounded;
}

// A value that names a folder: an icon's alt text ("[DIR]"), a title, or a
// class ("folder", "dir", "icon-directory").
bool NamesAFolder(std::string_view value)
{
    const std::string lower = LowerAscii(value);
    if (lower.find("[dir]") != std::string::npos || lower.find("folder") != std::string::npos ||
        lower.find("directory") != std::string::npos)
        return true;
    std::size_t at = 0;
    while (at < lower.size()) {
        const std::size_t end = std::min(lower.find_first_of(" \t-_", at), lower.size());
        if (lower.compare(at, end - at, "dir") == 0)
            return true;
        at = end + 1;
    }
    return false;
}

bool IsFolderWord(std::string_view value)
{
    const std::size_t first = value.find_first_not_of(" \t");
    const std::size_t last = value.find_last_not_of(" \t");
    if (first == std::string_view::npos)
        return false;
    const std::string word = LowerAscii(value.substr(first, last - first + 1));
    return word == "folder" || word == "directory" || word == "dir" || word == "[dir]";
}

// The elements whose marks speak of one row: an icon, a cell, an item.
bool IsRowPart(const char* name)
{
    for (const char* part : {"img", "tr", "td", "li", "span", "i"}) {
        if (EqualsNoCase(name, part))
            return true;
    }
    return false;
}

// The marks an element's attributes may give a folder.
bool HasFolderMark(const xmlChar** attributes)
{
    for (const xmlChar** a = attributes; a != nullptr && a[0] != nullptr; a += 2) {
        const char* key = reinterpret_cast<const char*>(a[0]);
        if (a[1] == nullptr)
            continue;
        const std::string_view value = reinterpret_cast<const char*>(a[1]);
        if ((EqualsNoCase(key, "alt") || EqualsNoCase(key, "class")) && NamesAFolder(value))
            return true;
        // A title may be the entry's own name (nginx's fancyindex writes
        // it so): only a title that is the word alone marks a folder, not
        // "folder.jpg".
        if (EqualsNoCase(key, "title") && IsFolderWord(value))
            return true;
    }
    return false;
}

// The text beside a link marks a folder: "<dir>" or "Directory" in a cell,
// or "-" where the size stands after the date.
bool BesideMarksAFolder(std::string_view beside, std::size_t afterDate)
{
    std::size_t at = 0;
    bool first = true;
    while (at < beside.size()) {
        at = beside.find_first_not_of(" \t\r\n", at);
        if (at == std::string_view::npos)
            break;
        const std::size_t end = std::min(beside.find_first_of(" \t\r\n", at), beside.size());
        const std::string word = LowerAscii(beside.substr(at, end - at));
        if (word == "<dir>" || word == "directory" || word == "[dir]")
            return true;
        if (afterDate > 0 && at >= afterDate && first) {
            if (word == "-")
                return true;
            first = false;
        }
        at = end;
    }
    return false;
}

// A path decoded segment by segment; nothing when a segment decodes to a
// "/", which would fake a deeper path.
std::optional<std::string> DecodeSegments(const std::string& path)
{
    std::string decoded;
    decoded.reserve(path.size());
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
        path = (place.base.empty() ? place.directory : place.base) + std::string(href);
    // Dot segments resolve before decoding, so "%2e%2e" stays a name.
    path = RemoveDotSegments(path);
    if (directory && !path.ends_with('/'))
        path += '/';
    return DecodeSegments(path);
}

} // namespace

// What the reader needs of the open elements: whether each is a table cell.
// The text beside a link is the text after it up to the next element
// (nginx writes date and size there) or, when the link sits in a table cell,
// the text of the cells after that cell in its row (Apache, lighttpd).
struct IndexPageReader::State {
    IndexPlace place;
    std::size_t maxEntries;
    htmlParserCtxtPtr parser = nullptr;
    std::vector<ListedEntry> entries;
    std::unordered_set<std::string> seen; // a page may link a name twice (icon and text)
    std::vector<bool> open;               // per open element: is it a <td>?
    bool folderMark = false;              // the row so far marks a folder (an icon, a class)

    // The entry whose beside-text is being read.
    enum class Beside { None, Inline, Cells } mode = Beside::None;
    ListedEntry pending;
    std::size_t level = 0;   // Inline: the link's level; Cells: its cell's level
    bool linkClosed = false; // Inline: the link ended; Cells: its cell ended
    bool inLaterCell = false;
    std::string beside;

    static constexpr std::size_t kBesideLimit = 512;

    bool Full() const { return entries.size() >= maxEntries; }

    void FinishPending()
    {
        if (mode == Beside::None)
            return;
        mode = Beside::None;
        // libxml2 may still report an element or two after it was stopped.
        if (Full())
            return;
        std::size_t afterDate = 0;
        pending.modified = FindIndexDate(beside, &afterDate);
        pending.isDirectory = pending.isDirectory || BesideMarksAFolder(beside, pending.modified ? afterDate : 0);
        if (pending.modified && !pending.isDirectory)
            pending.size = SizeAfter(std::string_view(beside).substr(afterDate), pending.sizeApproximate);
        pending.kindUnknown = !pending.isDirectory && !pending.size && pending.name.find('.') == std::string::npos;
        entries.push_back(std::move(pending));
        pending = {};
        beside.clear();
        if (Full())
            xmlStopParser(parser);
    }

    void OnLink(const xmlChar** attributes)
    {
        const char* href = nullptr;
        for (const xmlChar** a = attributes; a != nullptr && a[0] != nullptr; a += 2) {
            if (EqualsNoCase(reinterpret_cast<const char*>(a[0]), "href") && a[1] != nullptr) {
                href = reinterpret_cast<const char*>(a[1]);
                break;
            }
        }
        // A mark is used up by the next link, whether or not it is an entry
        // (a parent link's folder icon marks nothing after it).
        const bool marked = std::exchange(folderMark, false);
        if (href == nullptr || Full())
            return;
        const auto path = ResolveLink(href, place);
        // Only a direct child of this directory is an entry.
        if (!path || path->size() <= place.directory.size() || !path->starts_with(place.directory))
            return;
        std::string name = path->substr(place.directory.size());
        // A trailing "/" marks a folder; so do the page's own marks, for
        // pages that link folders without one.
        const bool isDirectory = name.ends_with('/') || marked || HasFolderMark(attributes);
        if (name.ends_with('/'))
            name.pop_back();
        if (!IsListableName(name) || !seen.insert(name).second)
            return;
        FinishPending();
        if (Full())
            return;
        pending.name = std::move(name);
        pending.isDirectory = isDirectory;
        const bool inCell = open.size() >= 2 && open[open.size() - 2];
        mode = inCell ? Beside::Cells : Beside::Inline;
        level = inCell ? open.size() - 1 : open.size();
        linkClosed = false;
        inLaterCell = false;
    }

    void OnStart(const char* name, const xmlChar** attributes)
    {
        const bool cell = EqualsNoCase(name, "td");
        open.push_back(cell);
        // A row or list item starts afresh; its icon, cells or item may
        // mark a folder (a class on the whole table or list marks none).
        if (EqualsNoCase(name, "tr") || EqualsNoCase(name, "li"))
            folderMark = false;
        if (IsRowPart(name) && HasFolderMark(attributes))
            folderMark = true;
        if (mode == Beside::Inline && linkClosed)
            FinishPending();
        else if (mode == Beside::Cells && linkClosed && open.size() == level && cell) {
            inLaterCell = true;
            beside += ' ';
        }
        if (EqualsNoCase(name, "a"))
            OnLink(attributes);
    }

    void OnEnd()
    {
        const std::size_t ending = open.size();
        if (!open.empty())
            open.pop_back();
        if (mode == Beside::Inline) {
            if (linkClosed || ending < level)
                FinishPending();
            else if (ending == level)
                linkClosed = true;
        } else if (mode == Beside::Cells) {
            if (ending < level)
                FinishPending();
            else if (ending == level) {
                linkClosed = true;
                inLaterCell = false;
            }
        }
    }

    void OnText(const xmlChar* text, int length)
    {
        const bool wanted = (mode == Beside::Inline && linkClosed) || (mode == Beside::Cells && inLaterCell);
        if (!wanted || beside.size() >= kBesideLimit)
            return;
        const auto take = std::min<std::size_t>(static_cast<std::size_t>(length), kBesideLimit - beside.size());
        beside.append(reinterpret_cast<const char*>(text), take);
    }
};

namespace {

IndexPageReader::State& StateOf(void* context)
{
    auto* parser = static_cast<htmlParserCtxtPtr>(context);
    return *static_cast<IndexPageReader::State*>(parser->_private);
}

// libxml2 calls these from C: nothing may be thrown through it, so a failure
// (out of memory) stops the parser and the page counts as read so far.
template <typename Step> void Guarded(void* context, Step step)
{
    try {
        step(StateOf(context));
    } catch (...) {
        xmlStopParser(static_cast<htmlParserCtxtPtr>(context));
    }
}

void OnStartElement(void* context, const xmlChar* name, const xmlChar** attributes)
{
    Guarded(context, [&](IndexPageReader::State& state) {
        state.OnStart(name ? reinterpret_cast<const char*>(name) : "", attributes);
    });
}

void OnEndElement(void* context, const xmlChar*)
{
    Guarded(context, [](IndexPageReader::State& state) { state.OnEnd(); });
}

void OnCharacters(void* context, const xmlChar* text, int length)
{
    Guarded(context, [&](IndexPageReader::State& state) { state.OnText(text, length); });
}

htmlSAXHandler MakeHandler()
{
    htmlSAXHandler handler{};
    handler.startElement = OnStartElement;
    handler.endElement = OnEndElement;
    handler.characters = OnCharacters;
    handler.ignorableWhitespace = OnCharacters;
    return handler;
}

} // namespace

IndexPageReader::IndexPageReader(IndexPlace place, std::size_t maxEntries) : m_state(std::make_unique<State>())
{
    InitializeHtmlParser();
    m_state->place = std::move(place);
    m_state->maxEntries = maxEntries;
    static htmlSAXHandler handler = MakeHandler();
    // The page is read as UTF-8 whatever it declares; names stay the bytes
    // the server wrote.
    m_state->parser = htmlCreatePushParserCtxt(&handler, nullptr, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8);
    if (m_state->parser == nullptr)
        return;
    // The callbacks get the parser itself, so they can stop it.
    m_state->parser->_private = m_state.get();
    m_state->parser->userData = m_state->parser;
    // No HTML_PARSE_NOIMPLIED: libxml2's push parser would take the first
    // element for the whole document and ignore the rest of a page that
    // starts without <html>.
    htmlCtxtUseOptions(m_state->parser, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                            HTML_PARSE_NONET | HTML_PARSE_COMPACT);
}

IndexPageReader::~IndexPageReader()
{
    if (m_state->parser != nullptr)
        htmlFreeParserCtxt(m_state->parser);
}

bool IndexPageReader::IsFull() const
{
    return m_state->Full();
}

bool IndexPageReader::Feed(std::string_view piece)
{
    htmlParserCtxtPtr parser = m_state->parser;
    if (parser == nullptr || m_state->Full() || parser->disableSAX)
        return false;
    // Pieces larger than an int are handed on in parts.
    while (!piece.empty() && !parser->disableSAX) {
        const std::size_t part = std::min<std::size_t>(piece.size(), 1 << 20);
        // libxml2 2.9's push parser can keep the resume point of a tag
        // look-up past the input it has, and then waits for the end of the
        // page: a resume point beyond the input is no resume point.
        if (parser->input != nullptr && parser->checkIndex > parser->input->end - parser->input->cur)
            parser->checkIndex = 0;
        htmlParseChunk(parser, piece.data(), static_cast<int>(part), 0);
        piece.remove_prefix(part);
    }
    return !m_state->Full() && !parser->disableSAX;
}

std::vector<ListedEntry> IndexPageReader::Finish()
{
    htmlParserCtxtPtr parser = m_state->parser;
    if (parser != nullptr && !parser->disableSAX)
        htmlParseChunk(parser, nullptr, 0, 1);
    if (!m_state->Full())
        m_state->FinishPending();
    return std::move(m_state->entries);
}

void InitializeHtmlParser()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

std::vector<ListedEntry> ParseIndexPage(std::string_view html, const IndexPlace& place)
{
    IndexPageReader reader(place);
    reader.Feed(html);
    return reader.Finish();
}

} // namespace velmora
