// The splitter in the real window: numbers, drags and the smallest size.

#include <QTest>

#include "app/ui/pane-splitter.h"
#include "window-fixture.h"

namespace velmora {
namespace {

class PaneSplitterTest : public test::WindowTest {
protected:
    CPaneSplitter* Client() const { return window->GetClient(); }
    int Split() const { return Client()->GetLayout().GetSplit(); }

    void Drag(int from, int to)
    {
        const int y = Client()->height() / 2;
        QTest::mousePress(Client(), Qt::LeftButton, Qt::NoModifier, QPoint(from, y));
        QMouseEvent move(QEvent::MouseMove, QPointF(to, y), Client()->mapToGlobal(QPointF(to, y)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Client(), &move);
        QTest::mouseRelease(Client(), Qt::LeftButton, Qt::NoModifier, QPoint(to, y));
    }
};

TEST_F(PaneSplitterTest, FirstPlacementAndDragLimits)
{
    Open();
    const QRect servers = Tree("1008")->geometry();
    const QRect results = Tree("1009")->geometry();
    const int width = Client()->width();
    EXPECT_EQ(servers.left(), 95);
    EXPECT_EQ(results.right(), width - 1) << "the results tree fills the rest";
    EXPECT_EQ(results.left() - servers.right() - 1, 4) << "the bar is the 4-pixel gap";

    window->resize(1000, 700);
    QApplication::processEvents();
    const int split = Split();
    EXPECT_EQ(Tree("1008")->width(), servers.width()) << "the server tree keeps its width";
    Drag(split, 10);
    EXPECT_EQ(Split(), 245);
    const int clientWidth = Client()->width();
    Drag(245, clientWidth - 1);
    EXPECT_EQ(Split(), clientWidth - 200);
    EXPECT_EQ(Tree("1009")->width(), 198);
    QApplication::processEvents();
    EXPECT_EQ(Client()->width(), clientWidth) << "the drag does not widen the window";
}

TEST_F(PaneSplitterTest, TheWindowCannotShrinkBelowWhatThePanesNeed)
{
    Open();
    const QSize least = Client()->minimumSize();
    EXPECT_EQ(least.width(), Split() + 200);
    EXPECT_EQ(least.height(), Tree("1008")->y() + 250);
    window->resize(100, 100);
    QApplication::processEvents();
    EXPECT_GE(Client()->width(), least.width());
    EXPECT_GE(Client()->height(), least.height());
}

TEST_F(PaneSplitterTest, InitialBarStandsAtFortyPercent)
{
    Open();
    CPaneSplitter probe;
    probe.resize(801, 500);
    QWidget left(&probe);
    QWidget right(&probe);
    probe.InitPanes(&left, {150, 250, 95, 60, 0, 20}, &right, {200, 250, 0, 60, 0, 20}, 40);
    EXPECT_EQ(probe.GetLayout().GetSplit(), 320);
    EXPECT_EQ(left.geometry(), QRect(95, 60, 223, 420));
    EXPECT_EQ(right.geometry(), QRect(322, 60, 479, 420));
}

} // namespace
} // namespace velmora
