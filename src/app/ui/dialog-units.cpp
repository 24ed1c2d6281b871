#include "app/ui/dialog-units.h"

#include <QFontMetrics>

#include <cmath>

namespace velmora {

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = (letters / 26 + 1) / 2;
    m_nBaseY = metrics.height();
}

int DialogUnits::X(int units) const
{
    return static_cast<int>(std::lround(units * m_nBaseX / 4.0));
}

int DialogUnits::Y(int units) const
{
    return static_cast<int>(std::lround(units * m_nBaseY / 8.0));
}

QRect DialogUnits::Map(int x, int y, int width, int height) const
{
    return {X(x), Y(y), X(width), Y(height)};
}

} // namespace velmora
