#pragma once

#include <QFont>
#include <QRect>

namespace velmora {

// Turns the dialog units of the window layouts into pixels with the base
// units of the font the window is drawn in (average character width and
// line height), so the layout scales with the desktop's font.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const;
    int Y(int units) const;
    QRect Map(int x, int y, int width, int height) const;
    QSize MapSize(int width, int height) const { return {X(width), Y(height)}; }

private:
    int m_nBaseX;
    int m_nBaseY;
};

} // namespace velmora
