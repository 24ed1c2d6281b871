#include "ui-common/tree-images.h"

#include <QPainter>
#include <QSvgRenderer>

#include <array>

// The icons are compiled into a static library; nothing else would pull
// their resource in.
static void LoadTreeImageResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace velmora {

namespace {

const std::array<const char*, 7> kFiles = {":/icons/globe.svg",  ":/icons/running.svg", ":/icons/bulb.svg",
                                           ":/icons/tick.svg",   ":/icons/failure.svg", ":/icons/untested.svg",
                                           ":/icons/nothing.svg"};

QPixmap Render(const char* file, int size)
{
    static const bool loaded = (LoadTreeImageResources(), true);
    (void)loaded;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer{QString::fromLatin1(file)};
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

} // namespace

QIcon GetTreeImage(ItemState state)
{
    static const std::array<QIcon, kFiles.size()> images = [] {
        std::array<QIcon, kFiles.size()> icons;
        for (std::size_t i = 0; i < kFiles.size(); ++i) {
            icons[i].addPixmap(Render(kFiles[i], 16));
            icons[i].addPixmap(Render(kFiles[i], 32));
        }
        return icons;
    }();
    return state >= 0 && state < static_cast<int>(images.size()) ? images[static_cast<std::size_t>(state)] : images[0];
}

QPixmap GetProgramIcon(int size)
{
    return Render(kFiles[0], size);
}

} // namespace velmora
