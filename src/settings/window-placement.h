#pragma once

#include <string>
#include <vector>

namespace velmora {

// Where the main window was left: its frame and maximised state and the
// docked panels (both as the window system writes them, a base64 line),
// and the widths of its three panes. Kept in [Settings] of settings.dat
// under keys of their own; every other section of that file is an engine.
struct WindowPlacement {
    std::string geometry;
    std::string state;
    std::vector<int> paneWidths; // engines, servers, results; empty: defaults

    static WindowPlacement Load(const std::string& settingsPath);
    // One write for all of it.
    bool Save(const std::string& settingsPath) const;
};

// "150,220,630" as widths; anything that is not three positive numbers is
// no widths at all.
std::vector<int> ParsePaneWidths(const std::string& text);
std::string FormatPaneWidths(const std::vector<int>& widths);

} // namespace velmora
