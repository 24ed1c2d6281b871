#include "search/engine-hold.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "search/engine-health.h"
#include "settings/profile-store.h"

namespace velmora {

namespace {

constexpr const char* kHoldUntil = "HoldUntil";
constexpr const char* kHoldMinutes = "HoldMinutes";

} // namespace

EngineHold NextHold(const EngineReport& report, const EngineHold& previous, std::int64_t now)
{
    const bool tooMany = report.status == 429;
    if (report.health == EngineHealth::Blocked && (tooMany || report.status == 503) && report.retryAfter)
        return {now + *report.retryAfter, previous.minutes};
    if (report.health == EngineHealth::Blocked && tooMany) {
        const int minutes =
            previous.minutes > 0 ? std::min(previous.minutes * 2, kLongestHoldMinutes) : kFirstHoldMinutes;
        return {now + std::int64_t{minutes} * 60, minutes};
    }
    if (report.scanned && report.health != EngineHealth::Blocked)
        return {};
    return previous;
}

EngineHold ReadHold(const std::string& settingsPath, const std::string& engine)
{
    const ProfileSnapshot settings(settingsPath);
    EngineHold hold;
    const std::string until = settings.GetString(engine, kHoldUntil, "", 32);
    hold.until = until.empty() ? 0 : std::strtoll(until.c_str(), nullptr, 10);
    hold.minutes = std::clamp(settings.GetInt(engine, kHoldMinutes, 0), 0, kLongestHoldMinutes);
    return hold;
}

bool WriteHold(const std::string& settingsPath, const std::string& engine, const EngineHold& hold)
{
    // An engine deleted meanwhile is not brought back by its hold.
    if (!ProfileSnapshot(settingsPath).HasSection(engine))
        return false;
    ProfileEdit edit(settingsPath);
    if (hold.until > 0) {
        edit.SetString(engine, kHoldUntil, std::to_string(hold.until));
        edit.SetString(engine, kHoldMinutes, std::to_string(hold.minutes));
    } else {
        edit.RemoveKey(engine, kHoldUntil);
        edit.RemoveKey(engine, kHoldMinutes);
    }
    return edit.Commit();
}

std::string DescribeHold(std::int64_t until)
{
    const auto when = static_cast<std::time_t>(until);
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return std::string("waiting until ") + text;
}

} // namespace velmora
