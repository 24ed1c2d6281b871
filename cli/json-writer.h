#pragma once

#include <cstdint>
#include <string>

#include "platform/json-text.h"

namespace velmora::cli {

using velmora::JsonObject;
using velmora::JsonString;

// A time as JSON output writes it: "2026-12-07T21:55:04Z" (UTC).
std::string Iso8601(std::int64_t seconds);

// Writes one line to standard output and flushes it, so a reader sees each
// event as it happens; without `flush` it waits in the buffer (for output
// that comes all at once).
void WriteLine(const std::string& line, bool flush = true);

} // namespace velmora::cli
