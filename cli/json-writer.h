#pragma once

#include <string>

#include "platform/json-text.h"

namespace velmora::cli {

using velmora::JsonObject;
using velmora::JsonString;

// Writes one line to standard output and flushes it, so a reader sees each
// event as it happens.
void WriteLine(const std::string& line);

} // namespace velmora::cli
