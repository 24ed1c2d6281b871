#include "settings/profile-store.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "settings/profile-file.h"

namespace velmora {

namespace {

using Kind = ProfileLine::Kind;

ProfileDocument Load(const std::string& path)
{
    return ProfileDocument::Parse(ReadProfileText(path));
}

bool Store(const std::string& path, const ProfileDocument& document)
{
    return WriteFileAtomically(path, document.Serialize());
}

// Index ranges [header, end) of every section named `section`.
struct SectionRange {
    std::size_t header;
    std::size_t end;
};

std::vector<SectionRange> FindSections(const ProfileDocument& document, std::string_view section)
{
    std::vector<SectionRange> ranges;
    const auto& lines = document.lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != Kind::Section || !EqualsNoCase(lines[i].name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != Kind::Section)
            ++end;
        ranges.push_back({i, end});
    }
    return ranges;
}

// Where a new line of a section goes: after its last non-blank line, so the
// blank line that separates it from the next section stays in place.
std::size_t InsertPoint(const ProfileDocument& document, const SectionRange& range)
{
    std::size_t at = range.end;
    while (at > range.header + 1 && TrimBlanks(document.lines[at - 1].raw).empty())
        --at;
    return at;
}

std::string CutToBuffer(std::string_view text, std::size_t size)
{
    if (size == 0)
        return {};
    return std::string(text.substr(0, std::min(text.size(), size - 1)));
}

std::string CutNulList(std::string list, std::size_t size)
{
    if (list.size() <= size)
        return list;
    if (size < 2)
        return std::string(size, '\0');
    list.resize(size - 2);
    list.append(2, '\0');
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

void AppendSection(ProfileDocument& document, std::string_view section)
{
    if (!document.lines.empty() && !TrimBlanks(document.lines.back().raw).empty())
        document.lines.push_back(ParseProfileLine(""));
    document.lines.push_back(MakeSectionLine(std::string(section)));
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

std::string GetPrivateProfileStringA(std::string_view section, std::string_view key, std::string_view defaultValue,
                                     std::size_t size, const std::string& file)
{
    const ProfileDocument document = Load(ResolveProfilePath(file));
    for (const SectionRange& range : FindSections(document, section)) {
        for (std::size_t i = range.header + 1; i < range.end; ++i) {
            const ProfileLine& line = document.lines[i];
            if (line.kind == Kind::Entry && EqualsNoCase(line.name, key))
                return CutToBuffer(line.value, size);
        }
    }
    return CutToBuffer(defaultValue, size);
}

int GetPrivateProfileIntA(std::string_view section, std::string_view key, int defaultValue, const std::string& file)
{
    const std::string value = GetPrivateProfileStringA(section, key, "", 4096, file);
    return value.empty() ? defaultValue : ParseProfileInt(value);
}

bool WritePrivateProfileStringA(std::string_view section, std::string_view key, std::string_view value,
                                const std::string& file)
{
    if (!IsWritableSection(section) || !IsWritableKey(key) || HasLineBreak(value))
        return false;
    const std::string path = ResolveProfilePath(file);
    ProfileDocument document = Load(path);
    const auto ranges = FindSections(document, section);
    for (const SectionRange& range : ranges) {
        for (std::size_t i = range.header + 1; i < range.end; ++i) {
            ProfileLine& line = document.lines[i];
            if (line.kind == Kind::Entry && EqualsNoCase(line.name, key)) {
                // Keep the key as the file spells it.
                const std::string spelled = line.name;
                line = MakeEntryLine(spelled, std::string(value));
                return Store(path, document);
            }
        }
    }
    const ProfileLine entry = MakeEntryLine(std::string(TrimBlanks(key)), std::string(value));
    if (ranges.empty()) {
        AppendSection(document, section);
        document.lines.push_back(entry);
    } else {
        const auto at = InsertPoint(document, ranges.front());
        document.lines.insert(document.lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
    }
    return Store(path, document);
}

std::string GetPrivateProfileSectionNamesA(std::size_t size, const std::string& file)
{
    const ProfileDocument document = Load(ResolveProfilePath(file));
    std::vector<std::string> names;
    for (const ProfileLine& line : document.lines) {
        if (line.kind != Kind::Section)
            continue;
        const bool seen = std::any_of(names.begin(), names.end(),
                                      [&](const std::string& name) { return EqualsNoCase(name, line.name); });
        if (!seen)
            names.push_back(line.name);
    }
    return CutNulList(JoinNulList(names), size);
}

std::string GetPrivateProfileSectionA(std::string_view section, std::size_t size, const std::string& file)
{
    const ProfileDocument document = Load(ResolveProfilePath(file));
    std::vector<std::string> entries;
    for (const SectionRange& range : FindSections(document, section)) {
        for (std::size_t i = range.header + 1; i < range.end; ++i) {
            const ProfileLine& line = document.lines[i];
            if (line.kind == Kind::Entry)
                entries.push_back(line.name + "=" + line.value);
            else if (line.kind == Kind::Bare)
                entries.push_back(line.name);
        }
    }
    return CutNulList(JoinNulList(entries), size);
}

bool WritePrivateProfileSectionA(std::string_view section, std::optional<std::string_view> entries,
                                 const std::string& file)
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
    const std::string path = ResolveProfilePath(file);
    ProfileDocument document = Load(path);
    auto ranges = FindSections(document, section);
    auto& lines = document.lines;
    // Later copies of the section go first, so earlier indexes stay valid.
    for (std::size_t r = ranges.size(); r-- > 0;) {
        const SectionRange range = ranges[r];
        const bool keepHeader = entries && r == 0;
        const std::size_t from = keepHeader ? range.header + 1 : range.header;
        const std::size_t to = keepHeader ? InsertPoint(document, range) : range.end;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.begin() + static_cast<std::ptrdiff_t>(to));
        if (keepHeader)
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(from), body.begin(), body.end());
    }
    if (entries && ranges.empty()) {
        AppendSection(document, section);
        lines.insert(lines.end(), body.begin(), body.end());
    }
    return Store(path, document);
}

} // namespace velmora
