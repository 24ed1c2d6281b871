#pragma once

#include <string>

namespace velmora {

inline constexpr int kViewList = 1;
inline constexpr int kViewHalfDetailed = 2;
inline constexpr int kViewDetailed = 3;

// The View and Tests menus' choices, read from settings.dat once and
// saved as each is made.
class ViewSettings {
public:
    explicit ViewSettings(std::string settingsPath) : m_settingsPath(std::move(settingsPath)) {}

    void Load();

    bool GetFilterResults() const { return m_filterResults; }
    // The view style as read (1 List, 2 Half Detailed, 3 Detailed; any
    // other value selects none).
    int GetViewStyle() const { return m_viewStyle; }
    bool GetAutoTest() const { return m_autoTest; }
    bool GetServerDetailsShown() const { return m_serverDetails; }
    // Every search is kept in velmora.db (the window only).
    bool GetSaveSearches() const { return m_saveSearches; }
    int GetSearchRunsKept() const { return m_searchRunsKept; }
    // The results tree shows only results no earlier search of the same
    // words held.
    bool GetOnlyNewResults() const { return m_onlyNewResults; }

    void SetViewStyle(int style);
    void FlipFilterResults();
    void SetAutoTest(bool on);
    void SetServerDetailsShown(bool shown);
    void SetSaveSearches(bool on);
    void SetOnlyNewResults(bool on);
    // Changes for this run only, without writing the file (the command line
    // tests only when asked to, whatever AutoTest says).
    void SetAutoTestForSession(bool on) { m_autoTest = on; }
    void SetFilterForSession(bool on) { m_filterResults = on; }

private:
    std::string m_settingsPath;
    bool m_filterResults = true;
    int m_viewStyle = kViewList;
    bool m_autoTest = true;
    bool m_serverDetails = true;
    bool m_saveSearches = true;
    int m_searchRunsKept = 5; // SearchRunsKept
    bool m_onlyNewResults = false;
};

} // namespace velmora
