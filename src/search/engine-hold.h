#pragma once

#include <cstdint>
#include <string>

namespace velmora {

struct EngineReport;

// An engine that asked to be left alone (429, or 503 with Retry-After) is
// skipped until its hold ends. The hold lives in the engine's section of
// settings.dat (HoldUntil, in seconds since 1970; HoldMinutes, the last
// wait without Retry-After), so a restart and the command line keep it;
// readers that do not know the keys ignore them.
struct EngineHold {
    std::int64_t until = 0; // 0: no hold
    int minutes = 0;        // the last wait chosen without Retry-After
    bool operator==(const EngineHold&) const = default;
};

inline constexpr int kFirstHoldMinutes = 5;
inline constexpr int kLongestHoldMinutes = 60;

// The hold after a report: until the Retry-After of a 429 or 503; after a
// 429 without one, a few minutes, doubling on repeats up to an hour; none
// after a page that was answered normally. Other failures change nothing.
EngineHold NextHold(const EngineReport& report, const EngineHold& previous, std::int64_t now);

EngineHold ReadHold(const std::string& settingsPath, const std::string& engine);
// Writes the hold, or removes its keys when there is none; one write.
bool WriteHold(const std::string& settingsPath, const std::string& engine, const EngineHold& hold);

// "waiting until 14:05" in local time, for a hold's reason.
std::string DescribeHold(std::int64_t until);

} // namespace velmora
