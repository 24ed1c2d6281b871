#include "app/pane-layout.h"

namespace velmora {

namespace {

int PaneTop(const SplitterPane& pane)
{
    return pane.noTopMargin ? 0 : pane.topMargin;
}

} // namespace

void PaneLayout::InitPanes(const SplitterPane& left, const SplitterPane& right, unsigned percent, int width, int height)
{
    m_left = left;
    m_right = right;
    const int x = static_cast<int>(static_cast<unsigned>(width) * percent / 100u);
    m_rcLeftPane = {left.sideMargin, PaneTop(left), x - left.sideMargin - 2,
                    height - left.topMargin - left.bottomMargin};
    m_rcRightPane = {x + 2, PaneTop(right), width - right.sideMargin - x - 2,
                     height - right.topMargin - left.bottomMargin};
    m_rcBar = {x - 2, 0, x + 2, height};
    m_bReady = true;
}

void PaneLayout::OnSize(int width, int height)
{
    if (!m_bReady)
        return;
    m_rcLeftPane.height = height - m_left.bottomMargin - m_left.topMargin;
    m_rcRightPane.width = width - m_right.sideMargin - m_rcBar.right;
    m_rcRightPane.height = height - m_right.topMargin - m_left.bottomMargin;
    m_rcBar.bottom = height;
}

void PaneLayout::MoveSplitter(int x, int clientWidth)
{
    if (!m_bReady)
        return;
    x = std::max(x, m_left.sideMargin + m_left.minWidth);
    x = std::min(x, clientWidth - m_right.sideMargin - m_right.minWidth);
    m_rcBar.left = x - 2;
    m_rcBar.right = x + 2;
    m_rcLeftPane.width = x - m_left.sideMargin - 2;
    m_rcRightPane.x = x + 2;
    m_rcRightPane.width = clientWidth - m_right.sideMargin - x - 2;
}

bool PaneLayout::HitsBar(int x, int y) const
{
    return m_bReady && x >= m_rcBar.left && x < m_rcBar.right && y >= m_rcBar.top && y < m_rcBar.bottom;
}

bool PaneLayout::OnButtonDown(int x, int y)
{
    if (HitsBar(x, y))
        m_bDragging = true;
    return m_bDragging;
}

void PaneLayout::OnMouseMove(int x, int clientWidth)
{
    if (m_bDragging)
        MoveSplitter(x, clientWidth);
}

void PaneLayout::OnButtonUp(int x, int clientWidth)
{
    if (!m_bDragging)
        return;
    MoveSplitter(x, clientWidth);
    m_bDragging = false;
}

// Measured from the bar's centre: a drag to the far right leaves the right
// pane 2 pixels under its smallest width, and a minimum counted from the
// bar's right edge would then push the window wider after every such drag.
int PaneLayout::GetMinimumClientWidth() const
{
    return GetSplit() + m_right.sideMargin + m_right.minWidth;
}

int PaneLayout::GetMinimumClientHeight() const
{
    return std::max(m_left.topMargin + m_left.minHeight, m_right.topMargin + m_right.minHeight);
}

} // namespace velmora
