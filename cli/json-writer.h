#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/json-text.h"

namespace velmora::cli {

using velmora::JsonObject;
using velmora::JsonString;

// A time as JSON output writes it: "2026-12-07T21:55:04Z" (UTC).
std::string Iso8601(std::int64_t seconds);

// A file's "size" (bytes) and "modified" (Iso8601), each null when unknown,
// as the browse and check events write them.
JsonObject& AddSizeAndDate(JsonObject& object, std::optional<std::uint64_t> size, std::optional<std::int64_t> modified);

// Writes one line to standard output and flushes it, so a reader sees each
// event as it happens; without `flush` it waits in the buffer (for output
// that comes all at once).
void WriteLine(const std::string& line, bool flush = true);

} // namespace velmora::cli
