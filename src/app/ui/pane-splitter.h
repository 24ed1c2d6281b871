#pragma once

#include <QWidget>

#include <functional>

#include "app/pane-layout.h"

namespace velmora {

// The main window's client area: keeps two child widgets side by side as
// panes with a 4-pixel bar between them that the left mouse button drags.
// The bar is not drawn; the cursor marks it. The window may not be sized
// below what the panes need: the minimum size follows the bar.
class CPaneSplitter : public QWidget {
    Q_OBJECT
public:
    explicit CPaneSplitter(QWidget* parent = nullptr);

    void InitPanes(QWidget* leftControl, const SplitterPane& left, QWidget* rightControl, const SplitterPane& right,
                   unsigned percent);
    // Runs after the panes have followed a new size (the window lays out
    // its other controls there).
    void SetAfterSize(std::function<void(int, int)> afterSize) { m_afterSize = std::move(afterSize); }
    const PaneLayout& GetLayout() const { return m_layout; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ApplyLayout();

    PaneLayout m_layout;
    QWidget* m_pLeftControl = nullptr;
    QWidget* m_pRightControl = nullptr;
    std::function<void(int, int)> m_afterSize;
};

} // namespace velmora
