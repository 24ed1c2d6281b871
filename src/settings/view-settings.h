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
    explicit ViewSettings(std::string settingsPath) : m_strSettingsPath(std::move(settingsPath)) {}

    void Load();

    bool GetFilterResults() const { return m_bFilterResults; }
    // The view style as read (1 List, 2 Half Detailed, 3 Detailed; any
    // other value selects none).
    int GetViewStyle() const { return m_nViewStyle; }
    bool GetAutoTest() const { return m_bAutoTest; }
    bool GetServerDetailsShown() const { return m_bServerDetails; }
    // Every search is kept in velmora.db (the window only).
    bool GetSaveSearches() const { return m_bSaveSearches; }
    int GetSearchRunsKept() const { return m_nSearchRunsKept; }
    // The results tree shows only results no earlier search of the same
    // words held.
    bool GetOnlyNewResults() const { return m_bOnlyNewResults; }

    void SetViewStyle(int style);
    void FlipFilterResults();
    void SetAutoTest(bool on);
    void SetServerDetailsShown(bool shown);
    void SetSaveSearches(bool on);
    void SetOnlyNewResults(bool on);
    // Changes for this run only, without writing the file (the command line
    // tests only when asked to, whatever AutoTest says).
    void SetAutoTestForSession(bool on) { m_bAutoTest = on; }
    void SetFilterForSession(bool on) { m_bFilterResults = on; }

private:
    std::string m_strSettingsPath;
    bool m_bFilterResults = true;
    int m_nViewStyle = kViewList;
    bool m_bAutoTest = true;
    bool m_bServerDetails = true;
    bool m_bSaveSearches = true;
    int m_nSearchRunsKept = 5; // SearchRunsKept
    bool m_bOnlyNewResults = false;
};

} // namespace velmora
