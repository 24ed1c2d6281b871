#include "app/pane-layout.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

// The main window's panes: server tree left, results tree right.
class PaneLayoutTest : public ::testing::Test {
protected:
    static constexpr int kTop = 60;
    static constexpr int kBottom = 22;
    SplitterPane left{150, 250, 95, kTop, 0, kBottom};
    SplitterPane right{200, 250, 0, kTop, 0, kBottom};
    PaneLayout layout;

    void SetUp() override { layout.InitPanes(left, right, 40, 801, 500); }
};

TEST_F(PaneLayoutTest, FirstPlacementPutsTheBarAtFortyPercentRoundedDown)
{
    EXPECT_EQ(layout.GetSplit(), 320);
    EXPECT_EQ(layout.GetLeftPane(), (PaneRect{95, kTop, 320 - 97, 500 - kTop - kBottom}));
    EXPECT_EQ(layout.GetRightPane(), (PaneRect{322, kTop, 801 - 322, 500 - kTop - kBottom}));
    EXPECT_TRUE(layout.HitsBar(318, 0));
    EXPECT_TRUE(layout.HitsBar(321, 499));
    EXPECT_FALSE(layout.HitsBar(322, 10)) << "the right edge is outside";
    EXPECT_FALSE(layout.HitsBar(318, 500));
}

TEST_F(PaneLayoutTest, DragsStopAtTheSmallestPaneWidths)
{
    ASSERT_TRUE(layout.OnButtonDown(320, 100));
    layout.OnMouseMove(10, 801);
    EXPECT_EQ(layout.GetSplit(), 245);
    EXPECT_EQ(layout.GetLeftPane().width, 148);
    layout.OnMouseMove(790, 801);
    EXPECT_EQ(layout.GetSplit(), 601);
    EXPECT_EQ(layout.GetRightPane(), (PaneRect{603, kTop, 198, 500 - kTop - kBottom}));
    layout.OnButtonUp(400, 801);
    EXPECT_EQ(layout.GetSplit(), 400);
    EXPECT_FALSE(layout.IsDragging());
    layout.OnMouseMove(500, 801);
    EXPECT_EQ(layout.GetSplit(), 400) << "moves after the release do nothing";
}

TEST_F(PaneLayoutTest, TheRightLimitWinsInANarrowClient)
{
    layout.MoveSplitter(300, 400);
    EXPECT_EQ(layout.GetSplit(), 200) << "client width - 200, left of 245";
}

TEST_F(PaneLayoutTest, PressesOffTheBarAndLostCaptureDoNotDrag)
{
    EXPECT_FALSE(layout.OnButtonDown(100, 100));
    layout.OnButtonUp(500, 801);
    EXPECT_EQ(layout.GetSplit(), 320);
    ASSERT_TRUE(layout.OnButtonDown(319, 5));
    layout.OnCaptureLost();
    layout.OnMouseMove(500, 801);
    EXPECT_EQ(layout.GetSplit(), 320);
}

TEST_F(PaneLayoutTest, ResizingKeepsTheLeftWidthAndTheMinimumFollowsTheBar)
{
    layout.OnSize(1200, 700);
    EXPECT_EQ(layout.GetLeftPane(), (PaneRect{95, kTop, 223, 700 - kTop - kBottom}));
    EXPECT_EQ(layout.GetRightPane(), (PaneRect{322, kTop, 1200 - 322, 700 - kTop - kBottom}));
    EXPECT_EQ(layout.GetBar().bottom, 700);
    EXPECT_EQ(layout.GetMinimumClientWidth(), 320 + 200);
    EXPECT_EQ(layout.GetMinimumClientHeight(), kTop + 250);
    layout.MoveSplitter(600, 1200);
    EXPECT_EQ(layout.GetMinimumClientWidth(), 600 + 200);
    layout.MoveSplitter(5000, 1200);
    EXPECT_EQ(layout.GetMinimumClientWidth(), 1200) << "a drag to the far right needs no wider window";
}

} // namespace
} // namespace velmora
