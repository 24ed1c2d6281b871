#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// A name taken from the web, as a file in a folder of the user's: a hidden
// name (".bashrc", ".profile") would be read by other programs run there,
// so it gets a "_" in front; a name longer than `maxBytes` is shortened,
// keeping its extension and whole UTF-8 characters.
std::string SafeFileName(std::string_view name, std::size_t maxBytes);

// "name (n).ext" for the n-th file called "name.ext", the number before a
// compressed tarball's whole ending ("x (1).tar.gz"); "name (n)" without one.
std::string NumberedFileName(const std::string& name, int number);

// File names may hold 255 bytes; a download adds ".part.url" while it runs
// and " (NN)" when the name is taken.
inline constexpr std::size_t kMaxDownloadNameBytes = 255 - 9 - 8;

} // namespace velmora
