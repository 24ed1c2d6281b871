#include "browse/browse-settings.h"

#include <algorithm>
#include <charconv>

#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

namespace {

constexpr const char* kBrowseDepth = "BrowseDepth";
constexpr const char* kBrowseMaxFiles = "BrowseMaxFiles";
constexpr const char* kBrowseConnections = "BrowseConnections";
constexpr const char* kBrowseDelayFactor = "BrowseDelayFactor";

} // namespace

BrowseLimits ReadBrowseLimits(const std::string& settingsPath)
{
    BrowseLimits limits;
    const ProfileSnapshot settings(settingsPath);
    const auto number = [&](const char* key, long long fallback, long long low, long long high) {
        const std::string text = settings.GetString(keys::kSettingsSection, key, "", 32);
        if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos)
            return fallback;
        return std::clamp(std::stoll(text), low, high);
    };
    limits.depth = static_cast<int>(number(kBrowseDepth, limits.depth, 0, 50));
    limits.maxFiles =
        static_cast<std::size_t>(number(kBrowseMaxFiles, static_cast<long long>(limits.maxFiles), 1, 10000000));
    limits.connections = static_cast<int>(number(kBrowseConnections, limits.connections, 1, kMaxBrowseConnections));
    // A decimal ("0.5", "2") from 0 to 10, whatever the locale; anything
    // else keeps the default.
    const std::string factor = settings.GetString(keys::kSettingsSection, kBrowseDelayFactor, "", 32);
    double value = -1;
    const auto [end, error] = std::from_chars(factor.data(), factor.data() + factor.size(), value);
    if (error == std::errc() && end == factor.data() + factor.size() && value >= 0 && value <= 10)
        limits.delayFactor = value;
    return limits;
}

} // namespace velmora
