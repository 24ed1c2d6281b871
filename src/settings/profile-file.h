#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ascii-case.h"

namespace velmora {

// One profile file as lines. Every line the file held is kept, so a write
// changes only the lines it means to change.
struct ProfileLine {
    enum class Kind { Other, Section, Entry, Bare };
    Kind kind = Kind::Other; // Other: blank, comment or stray text
    std::string raw;         // the line as it stands, without its line end
    std::string name;        // section name or key, trimmed
    std::string value;       // the entry's value, trimmed
};

// A section header and the lines up to the next header.
struct ProfileSection {
    ProfileLine header;
    std::vector<ProfileLine> body;
};

// A parsed file: the lines before the first section, then the sections in
// file order, with an index from the folded name to every copy of a
// section, so a look-up costs the same in a file of 10^5 sections as in a
// file of ten.
class ProfileDocument {
public:
    static ProfileDocument Parse(std::string_view text);
    std::string Serialize() const;

    // Positions in Sections() of every section of that name, in file order.
    const std::vector<std::size_t>& Find(std::string_view name) const;
    const std::vector<ProfileSection>& Sections() const { return m_sections; }
    std::vector<ProfileSection>& Sections() { return m_sections; }

    // Appends a section (a blank line first when the file does not end in
    // one) and returns its position.
    std::size_t AppendSection(const std::string& name);
    // Removes every copy of a section, or every copy but the first.
    void RemoveSection(std::string_view name, bool keepFirst = false);
    // Swaps two sections, each with its lines; false when a position is past
    // the end.
    bool SwapSections(std::size_t a, std::size_t b);

private:
    void Index(std::size_t position);
    void Reindex();

    std::vector<ProfileLine> m_preamble;
    std::vector<ProfileSection> m_sections;
    std::unordered_map<std::string, std::vector<std::size_t>> m_index;
    bool m_crLf = false; // the file's own line ends, kept on writing
};

ProfileLine MakeSectionLine(const std::string& name);
ProfileLine MakeEntryLine(const std::string& key, const std::string& value);
// A line as the parser would read it (used for entries a caller hands over).
ProfileLine ParseProfileLine(std::string_view raw);

// Blanks are spaces and tabs.
std::string_view TrimBlanks(std::string_view text);

// The file to use for `path`: the path itself when it exists, otherwise a
// file in the same directory whose name differs only in letter case, so
// "Settings.dat" and "settings.dat" are one file.
std::string ResolveProfilePath(const std::string& path);

// Whole-file read; empty when missing or unreadable.
std::string ReadProfileText(const std::string& path);

} // namespace velmora
