#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace velmora {

// What a write does to a file that is already there.
enum class IfExists {
    Replace,
    Keep, // a file made meanwhile by someone else wins
};

// Writes a file (a settings file, an export, the client script) with `text`
// through a temporary file and a rename, so a failure at any point leaves
// the old file whole and no reader sees half a file. The new file keeps the
// old one's permissions, or gets `mode` when one is given, from its first
// byte. Temporary files that writers which no longer run left beside the
// file are removed first. A failure gives the system's reason and errno.
Result<void> WriteFileAtomically(const std::string& path, std::string_view text, std::optional<unsigned> mode = {},
                                 IfExists ifExists = IfExists::Replace);

} // namespace velmora
