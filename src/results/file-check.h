#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

// What a check of one file found, without downloading it: whether the
// server has it, its size and date when the server told them, the status
// of the answer that decided (an HTTP status or an FTP reply code; 0 when
// no answer came) and why, in a sentence.
struct FileCheck {
    bool alive = false;
    std::optional<std::uint64_t> size;
    std::optional<std::int64_t> modified; // seconds since 1970 (UTC)
    int status = 0;
    std::string reason;
    std::int64_t checkedAt = 0; // seconds since 1970 (UTC)
};

// The tooltip of a checked file: "There (checked 2026-12-09 07:30 UTC): …".
std::string DescribeFileCheck(const FileCheck& check);

} // namespace velmora
