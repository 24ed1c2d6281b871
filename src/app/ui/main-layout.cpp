// How the main window shares its room when it is small: the results get it
// first, the side panes and the details panel give it up.

#include <QDockWidget>
#include <QLayout>
#include <QResizeEvent>
#include <QSplitter>

#include <algorithm>

#include "app/ui/main-window.h"
#include "results/ui/server-details-dialog.h"

namespace velmora {

namespace {

// The width the results need to show a file's name whole; a user's own
// wider or narrower choice above it is left alone.
constexpr int kResultsWidth = 360;
// The details panel never takes more than this share of the height the
// panes and it have together, when the window is resized.
constexpr double kDetailsShare = 0.35;

} // namespace

void MainWindow::GiveResultsRoom()
{
    QList<int> sizes = m_panes->sizes();
    if (sizes.size() != 3)
        return;
    const int missing = kResultsWidth - sizes[2];
    if (missing <= 0)
        return;
    // Both side panes give, each in proportion to what it can spare (they
    // scroll sideways), so neither is squeezed to nothing alone.
    const int spare[2] = {std::max(sizes[0] - m_panes->widget(0)->minimumWidth(), 0),
                          std::max(sizes[1] - m_panes->widget(1)->minimumWidth(), 0)};
    const int spareTotal = spare[0] + spare[1];
    if (spareTotal == 0)
        return;
    const int taken = std::min(missing, spareTotal);
    const int fromEngines = taken * spare[0] / spareTotal;
    sizes[0] -= fromEngines;
    sizes[1] -= taken - fromEngines;
    sizes[2] += taken;
    if (sizes != m_panes->sizes())
        m_panes->setSizes(sizes);
}

void MainWindow::KeepDetailsSmall()
{
    if (m_detailsDock == nullptr || !m_detailsDock->isVisible() || m_detailsDock->isFloating())
        return;
    const int shared = m_detailsDock->height() + centralWidget()->height();
    const int most = std::max(m_detailsDock->minimumSizeHint().height(), static_cast<int>(shared * kDetailsShare));
    if (m_detailsDock->height() > most)
        resizeDocks({m_detailsDock}, {most}, Qt::Vertical);
}

// Expanded or collapsed, the panel gets the height its fields ask for (the
// scroll area would otherwise keep the old one).
void MainWindow::FitDetailsToPanel()
{
    if (m_detailsDock->isFloating())
        return;
    const int frame = m_detailsDock->height() - m_detailsDock->widget()->height();
    m_serverDetails->layout()->activate();
    resizeDocks({m_detailsDock}, {frame + m_serverDetails->sizeHint().height()}, Qt::Vertical);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    KeepDetailsSmall();
}

} // namespace velmora
