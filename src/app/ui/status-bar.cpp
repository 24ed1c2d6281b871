#include "app/ui/status-bar.h"

#include <QFontMetrics>

namespace velmora {

namespace {

constexpr std::array<int, 4> kPartEdges = {100, 150, 250, 300};

} // namespace

StatusBar::StatusBar(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("statusBar"));
    for (std::size_t i = 0; i < m_parts.size(); ++i) {
        m_parts[i] = new QLabel(this);
        m_parts[i]->setObjectName(QStringLiteral("part%1").arg(i));
        m_parts[i]->setFrameStyle(QFrame::Panel | (i == 0 || i == 2 ? QFrame::Raised : QFrame::Sunken));
        m_parts[i]->setIndent(4);
    }
    m_grip = new QSizeGrip(this);
    setFixedHeight(fontMetrics().height() + 8);
}

void StatusBar::SetText(int part, const QString& text)
{
    m_parts.at(static_cast<std::size_t>(part))->setText(text);
}

void StatusBar::SetToolTip(int part, const QString& text)
{
    m_parts.at(static_cast<std::size_t>(part))->setToolTip(text);
}

QString StatusBar::GetText(int part) const
{
    return m_parts.at(static_cast<std::size_t>(part))->text();
}

int StatusBar::GetPartRight(int part) const
{
    return part < static_cast<int>(kPartEdges.size()) ? kPartEdges[static_cast<std::size_t>(part)] : width();
}

QSize StatusBar::minimumSizeHint() const
{
    const int activity = fontMetrics().horizontalAdvance(QStringLiteral("Searching: 20 of 20 engines answered"));
    return {kPartEdges.back() + activity + 16 + m_grip->sizeHint().width(), height()};
}

void StatusBar::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    int left = 0;
    for (std::size_t i = 0; i < m_parts.size(); ++i) {
        const int right = GetPartRight(static_cast<int>(i));
        m_parts[i]->setGeometry(left, 1, std::max(0, right - left - 2), height() - 2);
        left = right;
    }
    const QSize grip = m_grip->sizeHint();
    m_grip->setGeometry(width() - grip.width(), height() - grip.height(), grip.width(), grip.height());
}

} // namespace velmora
