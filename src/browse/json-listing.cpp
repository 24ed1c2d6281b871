#include "browse/json-listing.h"

#include <nlohmann/json.hpp>

#include <string>

#include "browse/listing-text.h"
#include "platform/http-date.h"

namespace velmora {

namespace {

// Deeper than an entry's own members is no listing we read; a hostile
// answer nested a million levels is refused at this depth.
constexpr std::size_t kMaxDepth = 8;

// Collects the entries of the top-level array from nlohmann's event reader,
// which keeps its own nesting on the heap rather than the stack.
class ListingEvents : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit ListingEvents(std::size_t maxEntries) : m_maxEntries(maxEntries) {}

    std::vector<ListedEntry> entries;
    bool isListing = false; // the document is an array

    bool null() override { return Value({}); }
    bool boolean(bool value) override
    {
        if (InEntry() && m_key == "is_dir")
            m_entry.isDirectory = value;
        return true;
    }
    bool number_integer(number_integer_t value) override
    {
        return value >= 0 ? number_unsigned(static_cast<number_unsigned_t>(value)) : true;
    }
    bool number_unsigned(number_unsigned_t value) override
    {
        if (InEntry() && m_key == "size")
            m_entry.size = value;
        return true;
    }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t& value) override { return Value(value); }
    bool binary(binary_t&) override { return true; }
    bool key(string_t& name) override
    {
        m_key = m_depth == 2 ? name : std::string();
        return true;
    }
    bool start_object(std::size_t) override
    {
        if (m_depth == 0)
            return false; // an object at the top: not a listing
        if (++m_depth == 2)
            m_entry = ListedEntry();
        return WithinDepth();
    }
    bool end_object() override
    {
        if (m_depth-- == 2)
            return Keep();
        return true;
    }
    bool start_array(std::size_t) override
    {
        isListing = isListing || m_depth == 0;
        ++m_depth;
        return WithinDepth();
    }
    bool end_array() override
    {
        --m_depth;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override
    {
        m_failed = true;
        return false;
    }

    bool Failed() const { return m_failed || !isListing; }

private:
    bool InEntry() const { return m_depth == 2; }

    bool WithinDepth()
    {
        m_failed = m_failed || m_depth > kMaxDepth;
        return !m_failed;
    }

    bool Value(const std::string& value)
    {
        if (!InEntry())
            return true;
        if (m_key == "name") {
            // Caddy marks a folder by its name's "/".
            m_entry.isDirectory = m_entry.isDirectory || value.ends_with('/');
            m_entry.name = value.ends_with('/') ? value.substr(0, value.size() - 1) : value;
        } else if (m_key == "type") {
            m_isFolderType = value == "directory";
        } else if (m_key == "mtime") {
            m_entry.modified = ParseHttpDate(value);
        } else if (m_key == "mod_time") {
            m_entry.modified = ParseIsoTime(value);
        }
        return true;
    }

    // An entry ends: kept when its name may be listed.
    bool Keep()
    {
        m_entry.isDirectory = m_entry.isDirectory || m_isFolderType;
        m_isFolderType = false;
        if (m_entry.isDirectory)
            m_entry.size.reset(); // a folder's "size" is its inode's, no content
        if (IsListableName(m_entry.name))
            entries.push_back(std::move(m_entry));
        return entries.size() < m_maxEntries;
    }

    std::size_t m_maxEntries;
    std::size_t m_depth = 0;
    std::string m_key;
    ListedEntry m_entry;
    bool m_isFolderType = false;
    bool m_failed = false;
};

} // namespace

bool LooksLikeJsonListing(std::string_view start)
{
    const std::size_t first = start.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && start[first] == '[';
}

std::optional<std::vector<ListedEntry>> ParseJsonListing(std::string_view json, std::size_t maxEntries)
{
    ListingEvents events(maxEntries);
    try {
        nlohmann::json::sax_parse(json.begin(), json.end(), &events);
    } catch (const std::exception&) {
        return std::nullopt; // out of memory, or a reader fault: no listing
    }
    // A listing cut at the cap is still one.
    if (events.Failed())
        return std::nullopt;
    return std::move(events.entries);
}

} // namespace velmora
