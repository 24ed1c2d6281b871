#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The six profile-file operations the program is written against. Every call
// reads or rewrites the file at once; there is no cache. Section names, key
// names and file names match without regard to letter case. Sections that
// stand in a file more than once act as one: reads look through them in
// file order, the name list names them once, writes land in the first.
//
// Reads fill a caller "buffer" of `size` bytes: a value is cut to size - 1
// characters; a NUL list (names, entries) is cut to fit and still ends in
// two NULs. Writes replace the file atomically and return false, leaving the
// old file whole, when the file cannot be written or the text would break
// the file's lines (a line break in a name or value, "=" in a key).

std::string GetPrivateProfileStringA(std::string_view section, std::string_view key, std::string_view defaultValue,
                                     std::size_t size, const std::string& file);

int GetPrivateProfileIntA(std::string_view section, std::string_view key, int defaultValue, const std::string& file);

bool WritePrivateProfileStringA(std::string_view section, std::string_view key, std::string_view value,
                                const std::string& file);

std::string GetPrivateProfileSectionNamesA(std::size_t size, const std::string& file);

std::string GetPrivateProfileSectionA(std::string_view section, std::size_t size, const std::string& file);

// `entries` is a NUL list of "key=value" texts; nullopt removes the section.
bool WritePrivateProfileSectionA(std::string_view section, std::optional<std::string_view> entries,
                                 const std::string& file);

// Walks a NUL list as every reader does: names up to the first empty one.
std::vector<std::string> SplitNulList(std::string_view buffer);

// Builds a NUL list (each text, a NUL, then one more NUL).
std::string JoinNulList(const std::vector<std::string>& items);

// Reads an integer as the profile store does: leading blanks, an optional
// sign, then decimal digits up to the first other character; no digit is 0.
int ParseProfileInt(std::string_view text);

} // namespace velmora
