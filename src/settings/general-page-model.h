#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr int kMinThreads = 1;
inline constexpr int kMaxThreads = 20;
inline constexpr const char* kThreadLimitMessage = "Please enter an integer between 1 and 20.";

// The thread limit as typed: a whole number from 1 to 20, or nothing.
std::optional<int> ParseThreadLimit(std::string_view text);

// The thread limit as stored: clamped to 1 to 20, and the default for a
// value that is missing or no number. A stored 0 would start no fetch and a
// huge one a thread per engine, whoever wrote the file.
int ClampThreadLimit(std::string_view stored);
int ReadThreadLimit(const std::string& settingsPath);

} // namespace velmora
