#pragma once

#include <string>
#include <string_view>
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

struct ProfileDocument {
    std::vector<ProfileLine> lines;
    bool crlf = false; // the file's own line ends, kept on writing

    static ProfileDocument Parse(std::string_view text);
    std::string Serialize() const;
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

// Replaces a file (a settings file, the client script) with `text` through
// a temporary file and a rename, so a failure at any point leaves the old
// file whole. False on failure.
bool WriteFileAtomically(const std::string& path, const std::string& text);

} // namespace velmora
