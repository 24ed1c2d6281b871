#pragma once

#include <algorithm>

namespace velmora {

// One pane of the splitter; lengths in pixels.
struct SplitterPane {
    int minWidth = 0;     // smallest width while the bar is dragged
    int minHeight = 0;    // counts only for the smallest window height
    int sideMargin = 0;   // gap to the client edge on the pane's outer side
    int topMargin = 0;    // gap between the client top and the pane
    int noTopMargin = 0;  // 1: placed at y 0 (its height still leaves topMargin out)
    int bottomMargin = 0; // only the left pane's counts, for both panes
};

struct PaneRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PaneRect&) const = default;
};

struct BarRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Where the two panes and the 4-pixel bar between them stand, and how a
// drag or a new client size moves them. Pure arithmetic: the window applies
// the rectangles to its widgets.
class PaneLayout {
public:
    // Places both panes with the bar at `percent` of the client width.
    void InitPanes(const SplitterPane& left, const SplitterPane& right, unsigned percent, int width, int height);
    // The left pane keeps its width; the right pane takes the rest; both
    // take the height between their top margin and the bottom margin.
    void OnSize(int width, int height);
    // Clamps x to the panes' smallest widths (the right pane's limit wins)
    // and moves the bar there.
    void MoveSplitter(int x, int clientWidth);

    // Mouse handling. A press on the bar starts a drag; moves follow it; a
    // release or a lost mouse capture ends it.
    bool OnButtonDown(int x, int y);
    void OnMouseMove(int x, int clientWidth);
    void OnButtonUp(int x, int clientWidth);
    void OnCaptureLost() { m_bDragging = false; }

    bool IsReady() const { return m_bReady; }
    bool IsDragging() const { return m_bDragging; }
    bool HitsBar(int x, int y) const;
    int GetSplit() const { return m_rcBar.left + 2; }
    const PaneRect& GetLeftPane() const { return m_rcLeftPane; }
    const PaneRect& GetRightPane() const { return m_rcRightPane; }
    const BarRect& GetBar() const { return m_rcBar; }

    // The smallest client size: the right pane's smallest width past the
    // bar's centre, and the larger of the panes' top margin plus smallest
    // height.
    int GetMinimumClientWidth() const;
    int GetMinimumClientHeight() const;

private:
    SplitterPane m_left;
    SplitterPane m_right;
    PaneRect m_rcLeftPane;
    PaneRect m_rcRightPane;
    BarRect m_rcBar;
    bool m_bReady = false;
    bool m_bDragging = false;
};

} // namespace velmora
