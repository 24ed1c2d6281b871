#pragma once

#include <optional>
#include <string_view>

namespace velmora {

inline constexpr int kMinThreads = 1;
inline constexpr int kMaxThreads = 20;
inline constexpr const char* kThreadLimitMessage = "Please enter an integer between 1 and 20.";

// The thread limit as typed: a whole number from 1 to 20, or nothing.
std::optional<int> ParseThreadLimit(std::string_view text);

} // namespace velmora
