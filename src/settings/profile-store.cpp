#include "settings/profile-store.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <unordered_set>

#include "platform/ascii-case.h"
#include "platform/atomic-file.h"
#include "settings/settings-keys.h"

namespace velmora {

namespace {

using Kind = ProfileLine::Kind;

ProfileDocument Load(const std::string& path)
{
    return ProfileDocument::Parse(ReadProfileText(path));
}

// Where a new line of a section goes: after its last non-blank line, so the
// blank line that separates it from the next section stays in place.
std::size_t InsertPoint(const ProfileSection& section)
{
    std::size_t at = section.body.size();
    while (at > 0 && TrimBlanks(section.body[at - 1].raw).empty())
        --at;
    return at;
}

std::string CutToBuffer(std::string_view text, std::size_t size)
{
    if (size == 0)
        return {};
    return std::string(text.substr(0, std::min(text.size(), size - 1)));
}

// Whole items that fit in `size` bytes with the closing NUL; an item that
// does not fit, or holds a NUL of its own, is left out and the rest still
// get their chance, so no item is ever cut into another.
std::string JoinWholeItems(const std::vector<std::string>& items, std::size_t size)
{
    if (size < 2)
        return std::string(size, '\0');
    std::string list;
    for (const std::string& item : items) {
        if (item.empty() || item.find('\0') != std::string::npos)
            continue;
        if (list.size() + item.size() + 1 > size - 1)
            continue;
        list.append(item).append(1, '\0');
    }
    list.append(1, '\0');
    if (list.size() == 1)
        list.append(1, '\0');
    return list;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsWritableSection(std::string_view section)
{
    return !HasLineBreak(section) && !TrimBlanks(section).empty();
}

bool IsWritableKey(std::string_view key)
{
    const std::string_view name = TrimBlanks(key);
    return !HasLineBreak(key) && !name.empty() && key.find('=') == std::string_view::npos && name.front() != '[' &&
           name.front() != ';';
}

// An entry handed to a section write must read back as one entry line.
bool IsWritableEntry(std::string_view entry)
{
    const std::string_view text = TrimBlanks(entry);
    return !HasLineBreak(entry) && !text.empty() && text.front() != '[' && text.front() != ';';
}

} // namespace

std::vector<std::string> SplitNulList(std::string_view buffer)
{
    std::vector<std::string> items;
    std::size_t at = 0;
    while (at < buffer.size() && buffer[at] != '\0') {
        auto end = buffer.find('\0', at);
        if (end == std::string_view::npos)
            end = buffer.size();
        items.emplace_back(buffer.substr(at, end - at));
        at = end + 1;
    }
    return items;
}

std::string JoinNulList(const std::vector<std::string>& items)
{
    std::string list;
    for (const std::string& item : items) {
        list += item;
        list += '\0';
    }
    list += '\0';
    return list;
}

int ParseProfileInt(std::string_view text)
{
    std::size_t at = text.find_first_not_of(" \t");
    if (at == std::string_view::npos)
        return 0;
    bool negative = false;
    if (text[at] == '-' || text[at] == '+') {
        negative = text[at] == '-';
        ++at;
    }
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        value = std::min<std::int64_t>(value, std::int64_t{INT_MAX} + 1);
    }
    value = negative ? -value : std::min<std::int64_t>(value, INT_MAX);
    return static_cast<int>(value);
}

ProfileSnapshot::ProfileSnapshot(const std::string& file) : m_document(Load(ResolveProfilePath(file))) {}

namespace {

std::optional<std::string> FindIn(const ProfileDocument& document, std::string_view section, std::string_view key)
{
    for (const std::size_t position : document.Find(section)) {
        for (const ProfileLine& line : document.Sections()[position].body) {
            if (line.kind == Kind::Entry && EqualsNoCase(line.name, key))
                return line.value;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> ProfileSnapshot::FindValue(std::string_view section, std::string_view key) const
{
    return FindIn(m_document, section, key);
}

std::optional<std::string> ProfileEdit::GetValue(std::string_view section, std::string_view key) const
{
    return FindIn(m_document, section, key);
}

std::string ProfileSnapshot::GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                       std::size_t size) const
{
    const std::optional<std::string> value = FindValue(section, key);
    return CutToBuffer(value ? *value : defaultValue, size);
}

int ProfileSnapshot::GetInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const std::string value = GetString(section, key, "", 4096);
    return value.empty() ? defaultValue : ParseProfileInt(value);
}

std::string ProfileSnapshot::GetSectionNames(std::size_t size) const
{
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const ProfileSection& section : m_document.Sections()) {
        if (seen.insert(LowerAscii(section.header.name)).second)
            names.push_back(section.header.name);
    }
    return JoinWholeItems(names, size);
}

std::vector<std::string> ProfileSnapshot::GetEntries(std::string_view section) const
{
    std::vector<std::string> entries;
    for (const std::size_t position : m_document.Find(section)) {
        for (const ProfileLine& line : m_document.Sections()[position].body) {
            if (line.kind == Kind::Entry)
                entries.push_back(line.name + "=" + line.value);
            else if (line.kind == Kind::Bare)
                entries.push_back(line.name);
        }
    }
    return entries;
}

std::string ProfileSnapshot::GetSection(std::string_view section, std::size_t size) const
{
    return JoinWholeItems(GetEntries(section), size);
}

bool ProfileSnapshot::HasSection(std::string_view section) const
{
    return !m_document.Find(section).empty();
}

ProfileEdit::ProfileEdit(std::string file) : m_path(ResolveProfilePath(file)), m_document(Load(m_path)) {}

bool ProfileEdit::SetString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!IsWritableSection(section) || !IsWritableKey(key) || HasLineBreak(value))
        return false;
    m_changed = true;
    auto& sections = m_document.Sections();
    const std::vector<std::size_t> positions = m_document.Find(section);
    for (const std::size_t position : positions) {
        for (ProfileLine& line : sections[position].body) {
            if (line.kind == Kind::Entry && EqualsNoCase(line.name, key)) {
                // Keep the key as the file spells it.
                const std::string spelled = line.name;
                line = MakeEntryLine(spelled, std::string(value));
                return true;
            }
        }
    }
    const ProfileLine entry = MakeEntryLine(std::string(TrimBlanks(key)), std::string(value));
    if (positions.empty()) {
        sections[m_document.AppendSection(std::string(section))].body.push_back(entry);
    } else {
        ProfileSection& first = sections[positions.front()];
        first.body.insert(first.body.begin() + static_cast<std::ptrdiff_t>(InsertPoint(first)), entry);
    }
    return true;
}

void ProfileEdit::RemoveKey(std::string_view section, std::string_view key)
{
    for (const std::size_t position : m_document.Find(section)) {
        auto& body = m_document.Sections()[position].body;
        const auto removed = std::erase_if(
            body, [&](const ProfileLine& line) { return line.kind == Kind::Entry && EqualsNoCase(line.name, key); });
        m_changed = m_changed || removed > 0;
    }
}

bool ProfileEdit::SwapSections(std::string_view first, std::string_view second)
{
    const auto& a = m_document.Find(first);
    const auto& b = m_document.Find(second);
    if (a.empty() || b.empty())
        return false;
    const std::size_t at = a.front();
    const std::size_t to = b.front();
    m_changed = m_document.SwapSections(at, to) || m_changed;
    return true;
}

bool ProfileEdit::SetSection(std::string_view section, std::optional<std::string_view> entries)
{
    if (!IsWritableSection(section))
        return false;
    std::vector<ProfileLine> body;
    if (entries) {
        for (const std::string& entry : SplitNulList(*entries)) {
            if (!IsWritableEntry(entry))
                return false;
            body.push_back(ParseProfileLine(entry));
        }
    }
    m_changed = true;
    if (!entries) {
        m_document.RemoveSection(section);
        return true;
    }
    const std::vector<std::size_t> positions = m_document.Find(section);
    if (positions.empty()) {
        ProfileSection& added = m_document.Sections()[m_document.AppendSection(std::string(section))];
        added.body = std::move(body);
        return true;
    }
    // The first copy keeps its header and trailing blank lines; later copies go.
    const std::size_t first = positions.front();
    m_document.RemoveSection(section, true);
    auto& kept = m_document.Sections()[first].body;
    kept.erase(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(InsertPoint(m_document.Sections()[first])));
    kept.insert(kept.begin(), body.begin(), body.end());
    return true;
}

namespace {

// An engine's API key ("Key=" with a value) in any section.
bool HoldsKey(const ProfileDocument& document)
{
    for (const ProfileSection& section : document.Sections()) {
        for (const ProfileLine& line : section.body) {
            if (line.kind == ProfileLine::Kind::Entry && EqualsNoCase(line.name, keys::kEngineKey) &&
                !line.value.empty())
                return true;
        }
    }
    return false;
}

} // namespace

bool ProfileEdit::Commit()
{
    if (!m_changed)
        return true;
    m_changed = false;
    // A file that holds a key is for its owner's eyes only; otherwise the
    // file keeps the permissions it had.
    const std::optional<unsigned> mode = HoldsKey(m_document) ? std::optional<unsigned>(0600) : std::nullopt;
    return WriteFileAtomically(m_path, m_document.Serialize(), mode).Ok();
}

bool ProfileEdit::WriteString(const std::string& file, std::string_view section, std::string_view key,
                              std::string_view value)
{
    ProfileEdit edit(file);
    return edit.SetString(section, key, value) && edit.Commit();
}

bool ProfileEdit::WriteSection(const std::string& file, std::string_view section,
                               std::optional<std::string_view> entries)
{
    ProfileEdit edit(file);
    return edit.SetSection(section, entries) && edit.Commit();
}

} // namespace velmora
