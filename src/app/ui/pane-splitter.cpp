#include "app/ui/pane-splitter.h"

#include <QEvent>
#include <QMouseEvent>

namespace velmora {

namespace {

QRect ToQRect(const PaneRect& rect)
{
    return {rect.x, rect.y, rect.width, rect.height};
}

} // namespace

CPaneSplitter::CPaneSplitter(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void CPaneSplitter::InitPanes(QWidget* leftControl, const SplitterPane& left, QWidget* rightControl,
                              const SplitterPane& right, unsigned percent)
{
    m_pLeftControl = leftControl;
    m_pRightControl = rightControl;
    m_layout.InitPanes(left, right, percent, width(), height());
    ApplyLayout();
}

void CPaneSplitter::ApplyLayout()
{
    if (!m_layout.IsReady())
        return;
    if (m_pLeftControl)
        m_pLeftControl->setGeometry(ToQRect(m_layout.GetLeftPane()));
    if (m_pRightControl)
        m_pRightControl->setGeometry(ToQRect(m_layout.GetRightPane()));
    setMinimumSize(m_layout.GetMinimumClientWidth(), m_layout.GetMinimumClientHeight());
}

void CPaneSplitter::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_layout.OnSize(width(), height());
    ApplyLayout();
    if (m_afterSize)
        m_afterSize(width(), height());
}

void CPaneSplitter::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    // A drag whose button was released elsewhere lost its capture.
    if (m_layout.IsDragging() && !(event->buttons() & Qt::LeftButton))
        m_layout.OnCaptureLost();
    if (m_layout.HitsBar(point.x(), point.y()) || m_layout.IsDragging())
        setCursor(Qt::SizeHorCursor);
    else
        unsetCursor();
    if (m_layout.IsDragging()) {
        m_layout.OnMouseMove(point.x(), width());
        ApplyLayout();
        if (m_afterSize)
            m_afterSize(width(), height());
    }
    QWidget::mouseMoveEvent(event);
}

void CPaneSplitter::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_layout.OnButtonDown(point.x(), point.y()))
        setCursor(Qt::SizeHorCursor);
    QWidget::mousePressEvent(event);
}

void CPaneSplitter::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_layout.IsDragging())
        return;
    m_layout.OnButtonUp(event->position().toPoint().x(), width());
    ApplyLayout();
    if (m_afterSize)
        m_afterSize(width(), height());
    QWidget::mouseReleaseEvent(event);
}

void CPaneSplitter::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        m_layout.OnCaptureLost();
    QWidget::changeEvent(event);
}

} // namespace velmora
