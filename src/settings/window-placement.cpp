#include "settings/window-placement.h"

#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

namespace {

constexpr const char* kWindowGeometry = "WindowGeometry";
constexpr const char* kWindowState = "WindowState";
constexpr const char* kPaneWidths = "PaneWidths";
constexpr std::size_t kPlacementBuffer = 4096;

} // namespace

std::vector<int> ParsePaneWidths(const std::string& text)
{
    std::vector<int> widths;
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = text.find(',', at);
        const std::string part = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        if (part.empty() || part.size() > 6 || part.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(part) == 0)
            return {};
        widths.push_back(std::stoi(part));
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    return widths.size() == 3 ? widths : std::vector<int>{};
}

std::string FormatPaneWidths(const std::vector<int>& widths)
{
    std::string text;
    for (int width : widths)
        text.append(text.empty() ? "" : ",").append(std::to_string(width));
    return text;
}

WindowPlacement WindowPlacement::Load(const std::string& settingsPath)
{
    const ProfileSnapshot settings(settingsPath);
    WindowPlacement placement;
    placement.geometry = settings.GetString(keys::kSettingsSection, kWindowGeometry, "", kPlacementBuffer);
    placement.state = settings.GetString(keys::kSettingsSection, kWindowState, "", kPlacementBuffer);
    placement.paneWidths = ParsePaneWidths(settings.GetString(keys::kSettingsSection, kPaneWidths, "", 64));
    return placement;
}

bool WindowPlacement::Save(const std::string& settingsPath) const
{
    ProfileEdit edit(settingsPath);
    edit.SetString(keys::kSettingsSection, kWindowGeometry, geometry);
    edit.SetString(keys::kSettingsSection, kWindowState, state);
    if (!paneWidths.empty())
        edit.SetString(keys::kSettingsSection, kPaneWidths, FormatPaneWidths(paneWidths));
    return edit.Commit();
}

} // namespace velmora
