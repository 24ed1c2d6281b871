#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/profile-file.h"

namespace velmora {

// The settings files are read through a ProfileSnapshot and changed through
// a ProfileEdit. Every snapshot reads the file at once and every write
// rewrites it at once; there is no cache. Section names, key
// names and file names match without regard to letter case. Sections that
// stand in a file more than once act as one: reads look through them in
// file order, the name list names them once, writes land in the first.
//
// Reads fill a caller "buffer" of `size` bytes: a value is cut to size - 1
// characters; a NUL list (names, entries) holds the whole items that fit
// and still ends in two NULs. Writes replace the file atomically and return
// false, leaving the old file whole, when the file cannot be written or the
// text would break the file's lines (a line break in a name or value, "="
// in a key).
//
// An operation that reads many values (listing the engines, an upgrade
// offer) keeps one ProfileSnapshot and parses the file once; one that writes
// many (saving the ticks, a merge) keeps one ProfileEdit and writes once.

// One read of a file, answering any number of reads with the rules above.
class ProfileSnapshot {
public:
    explicit ProfileSnapshot(const std::string& file);

    std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                          std::size_t size) const;
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
    // The whole value of a key; empty when the key is missing.
    std::optional<std::string> FindValue(std::string_view section, std::string_view key) const;
    // The name list: each name once, in file order; a name that holds a NUL
    // or does not fit in what is left of the buffer is skipped, never cut.
    std::string GetSectionNames(std::size_t size) const;
    std::string GetSection(std::string_view section, std::size_t size) const;
    // A section's entries ("key=value", or a bare name), whole.
    std::vector<std::string> GetEntries(std::string_view section) const;
    bool HasSection(std::string_view section) const;

private:
    ProfileDocument m_document;
};

// Changes to one file, written in one atomic replacement by Commit. Each
// change is checked as the single writes check it; a refused change leaves
// the edit as it was and returns false.
class ProfileEdit {
public:
    explicit ProfileEdit(std::string file);

    // One change, written at once.
    static bool WriteString(const std::string& file, std::string_view section, std::string_view key,
                            std::string_view value);
    // `entries` is a NUL list of "key=value" texts; nullopt removes the
    // section.
    static bool WriteSection(const std::string& file, std::string_view section,
                             std::optional<std::string_view> entries);

    bool SetString(std::string_view section, std::string_view key, std::string_view value);
    // Removes every entry of that key from the section.
    void RemoveKey(std::string_view section, std::string_view key);
    bool SetSection(std::string_view section, std::optional<std::string_view> entries);
    bool HasSection(std::string_view section) const { return !m_document.Find(section).empty(); }
    // A value as the edit holds it now; empty when the key is missing.
    std::optional<std::string> GetValue(std::string_view section, std::string_view key) const;
    // Swaps the first copies of two sections; false when either is missing.
    bool SwapSections(std::string_view first, std::string_view second);
    // Writes the file when anything was set; true when there was nothing to
    // write or the write succeeded.
    bool Commit();

private:
    std::string m_path;
    ProfileDocument m_document;
    bool m_changed = false;
};

// Walks a NUL list as every reader does: names up to the first empty one.
std::vector<std::string> SplitNulList(std::string_view buffer);

// Builds a NUL list (each text, a NUL, then one more NUL).
std::string JoinNulList(const std::vector<std::string>& items);

// Reads an integer as the profile store does: leading blanks, an optional
// sign, then decimal digits up to the first other character; no digit is 0.
int ParseProfileInt(std::string_view text);

} // namespace velmora
