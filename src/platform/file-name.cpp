#include "platform/file-name.h"

namespace velmora {

namespace {

// The longest start of `text` of at most `bytes` bytes that does not cut a
// UTF-8 character.
std::string_view WholeCharacters(std::string_view text, std::size_t bytes)
{
    if (text.size() <= bytes)
        return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

std::string NumberedFileName(const std::string& name, int number)
{
    std::size_t dot = name.rfind('.');
    // ".tar.gz", ".tar.xz" and the like are one ending.
    if (dot != std::string::npos && dot >= 4 && name.compare(dot - 4, 4, ".tar") == 0 && dot - 4 > 0)
        dot -= 4;
    const std::string suffix = " (" + std::to_string(number) + ")";
    if (dot == std::string::npos || dot == 0)
        return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

std::string SafeFileName(std::string_view name, std::size_t maxBytes)
{
    std::string safe = name.starts_with('.') ? "_" + std::string(name) : std::string(name);
    if (safe.size() <= maxBytes)
        return safe;
    const std::size_t dot = safe.rfind('.');
    // An extension is kept when it is one: short, and not the whole name.
    const bool hasExtension = dot != std::string::npos && dot > 0 && safe.size() - dot <= 16;
    const std::string extension = hasExtension ? safe.substr(dot) : std::string();
    const std::string_view stem = std::string_view(safe).substr(0, hasExtension ? dot : safe.size());
    return std::string(WholeCharacters(stem, maxBytes - extension.size())) + extension;
}

} // namespace velmora
