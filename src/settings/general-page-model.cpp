#include "settings/general-page-model.h"

#include <algorithm>

#include "platform/plain-text.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

std::optional<int> ParseThreadLimit(std::string_view text)
{
    const std::string digits = TrimWhiteSpace(text);
    if (digits.empty() || digits.size() > 3)
        return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < kMinThreads || value > kMaxThreads)
        return std::nullopt;
    return value;
}

int ClampThreadLimit(std::string_view stored)
{
    const std::string text = TrimWhiteSpace(stored);
    const std::size_t digits = text.starts_with('-') || text.starts_with('+') ? 1 : 0;
    if (text.size() <= digits || text[digits] < '0' || text[digits] > '9')
        return keys::kMaxThreadsDefault;
    return std::clamp(ParseProfileInt(text), kMinThreads, kMaxThreads);
}

int ReadThreadLimit(const std::string& settingsPath)
{
    return ClampThreadLimit(ProfileSnapshot(settingsPath).GetString(keys::kSettingsSection, keys::kMaxThreads, "", 64));
}

} // namespace velmora
