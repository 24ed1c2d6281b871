#include "browse/browse-settings.h"

#include <algorithm>

#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

namespace {

constexpr const char* kBrowseDepth = "BrowseDepth";
constexpr const char* kBrowseMaxFiles = "BrowseMaxFiles";
constexpr const char* kBrowseConnections = "BrowseConnections";

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
    return limits;
}

} // namespace velmora
