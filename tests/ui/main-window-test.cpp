#include <QGroupBox>
#include <QRadioButton>
#include <QTest>

#include "app/ui/about-dlg.h"
#include "app/ui/pane-splitter.h"
#include "window-fixture.h"

namespace velmora {
namespace {

using test::PageBehavior;

class MainWindowTest : public test::WindowTest {};

TEST_F(MainWindowTest, StartsWithoutSettingsLikeANewUserSeesIt)
{
    Open({}, true);
    ASSERT_FALSE(std::filesystem::exists(dir.File("settings.dat")));
    EXPECT_EQ(window->windowTitle(), "Velmora");
    for (int id : {32791, 59410, 32780, 32792, 32771})
        EXPECT_TRUE(window->GetCommand(id)->isChecked()) << id;
    for (int id : {32778, 32779})
        EXPECT_FALSE(window->GetCommand(id)->isChecked()) << id;
    EXPECT_FALSE(window->GetCommand(32772)->isEnabled()) << "Charts Search is grayed";
    EXPECT_EQ(Tree("1006")->topLevelItemCount(), 0);
    EXPECT_TRUE(Find<QRadioButton>("1003")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("1004")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("1018")->isVisible());
    EXPECT_EQ(Caption(), "Search");
    EXPECT_EQ(Status(0), "Results found:");
    EXPECT_EQ(Status(2), "Active threads:");
    EXPECT_EQ(Status(4), "");
    EXPECT_EQ(window->GetSession().GetMaxThreads(), 5);
}

TEST_F(MainWindowTest, MenuChecksFollowTheSettingsAsRead)
{
    Open("[Settings]\nViewStyle=7\nFilter=2\nAutoTest=0\nServerDetails=0\n");
    for (int id : {59410, 32778, 32779, 32791, 32780, 32792})
        EXPECT_FALSE(window->GetCommand(id)->isChecked()) << id;
    EXPECT_EQ(window->GetSession().GetViews().GetViewStyle(), 7);
    EXPECT_FALSE(window->GetSession().GetViews().GetFilterResults());
    window.reset();
    Open("[Settings]\nViewStyle=3\n");
    EXPECT_TRUE(window->GetCommand(32779)->isChecked());
    EXPECT_FALSE(window->GetCommand(59410)->isChecked());
}

TEST_F(MainWindowTest, EscapeDoesNothingAndClosingSavesTheEngineChecks)
{
    Open("[Alpha]\n[Beta]\n");
    QTreeWidget* engines = Tree("1006");
    ASSERT_EQ(engines->topLevelItemCount(), 2);
    EXPECT_EQ(engines->topLevelItem(0)->checkState(0), Qt::Checked);
    engines->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    window->GetCommand(32773)->trigger(); // File > Exit
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    const std::string saved = test::ReadFile(dir.File("settings.dat"));
    EXPECT_NE(saved.find("[Alpha]\nSearch=Y"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[Beta]\nSearch=N"), std::string::npos) << saved;
}

TEST_F(MainWindowTest, TheAboutBoxShowsTheVersion)
{
    Open();
    CAboutDlg about(window.get());
    EXPECT_EQ(about.windowTitle(), "About Velmora");
    EXPECT_EQ(about.findChild<QLabel*>("1056")->text(), "Velmora Version 2.2 Build 0");
}

TEST_F(MainWindowTest, ControlsStandInTheirPlacesWithoutOverlapping)
{
    Open("[Alpha]\n");
    const QRect group = Find<QGroupBox>("1012")->geometry();
    const QRect edit = Find<QLineEdit>("1005")->geometry();
    const QRect button = Find<QPushButton>("1002")->geometry();
    const QRect normal = Find<QRadioButton>("1003")->geometry();
    const QRect charts = Find<QRadioButton>("1004")->geometry();
    EXPECT_EQ(group.top(), 0);
    EXPECT_FALSE(edit.intersects(button));
    EXPECT_FALSE(normal.intersects(edit));
    EXPECT_FALSE(charts.intersects(edit));
    EXPECT_GE(normal.width(), Find<QRadioButton>("1003")->sizeHint().width()) << "the label is not cut";
    for (const QRect& control : {edit, button, normal, charts})
        EXPECT_TRUE(group.contains(control)) << "inside the group box";
    const QRect engines = Tree("1006")->geometry();
    const QRect servers = Tree("1008")->geometry();
    EXPECT_EQ(engines.left(), 5);
    EXPECT_EQ(engines.width(), 89);
    EXPECT_EQ(engines.top(), group.bottom() + 1);
    EXPECT_EQ(engines.bottom(), servers.bottom());
    const QRect status = Find<CStatusBar>("180")->geometry();
    EXPECT_EQ(status.width(), window->GetClient()->width());
    EXPECT_EQ(status.top(), servers.bottom() + 1);
}

} // namespace
} // namespace velmora
