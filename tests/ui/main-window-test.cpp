#include <QActionGroup>
#include <QDockWidget>
#include <QGroupBox>
#include <QMenuBar>
#include <QRadioButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTest>

#include "app/ui/about-dialog.h"
#include "app/ui/status-bar.h"
#include "app/ui/welcome-page.h"
#include "results/ui/server-details-dialog.h"
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
    for (Command id :
         {Command::FilterResults, Command::List, Command::TestResults, Command::ServerDetails, Command::Search})
        EXPECT_TRUE(window->GetCommand(id)->isChecked()) << static_cast<int>(id);
    for (Command id : {Command::HalfDetailed, Command::Detailed})
        EXPECT_FALSE(window->GetCommand(id)->isChecked()) << static_cast<int>(id);
    EXPECT_FALSE(window->GetCommand(Command::ChartsSearch)->isEnabled()) << "Charts Search is grayed";
    EXPECT_EQ(Tree("engineTree")->topLevelItemCount(), 0);
    EXPECT_TRUE(Find<QRadioButton>("normalSearch")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("chartsSearch")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("topChartsButton")->isVisible());
    EXPECT_EQ(Caption(), "Search");
    EXPECT_EQ(Status(0), "Results found:");
    EXPECT_EQ(Status(2), "Active threads:");
    EXPECT_EQ(Status(4), "");
    EXPECT_TRUE(StatusTip().contains("at most 5 at once")) << StatusTip().toStdString();
}

TEST_F(MainWindowTest, MenuChecksFollowTheSettingsAsRead)
{
    Open("[Settings]\nViewStyle=7\nFilter=2\nAutoTest=0\nServerDetails=0\n");
    for (Command id : {Command::List, Command::HalfDetailed, Command::Detailed, Command::FilterResults,
                       Command::TestResults, Command::ServerDetails})
        EXPECT_FALSE(window->GetCommand(id)->isChecked()) << static_cast<int>(id);
    EXPECT_EQ(window->GetSession().GetViews().GetViewStyle(), 7);
    EXPECT_FALSE(window->GetSession().GetViews().GetFilterResults());
    window.reset();
    Open("[Settings]\nViewStyle=3\n");
    EXPECT_TRUE(window->GetCommand(Command::Detailed)->isChecked());
    EXPECT_FALSE(window->GetCommand(Command::List)->isChecked());
}

TEST_F(MainWindowTest, EscapeWithNothingRunningLeavesTheWindowOpenAndClosingSavesTheEngineChecks)
{
    Open("[Alpha]\n[Beta]\n");
    QTreeWidget* engines = Tree("engineTree");
    ASSERT_EQ(engines->topLevelItemCount(), 2);
    EXPECT_EQ(engines->topLevelItem(0)->checkState(0), Qt::Checked);
    engines->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    window->GetCommand(Command::Exit)->trigger(); // File > Exit
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    const std::string saved = test::ReadFile(dir.File("settings.dat"));
    EXPECT_NE(saved.find("[Alpha]\nSearch=Y"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[Beta]\nSearch=N"), std::string::npos) << saved;
}

TEST_F(MainWindowTest, TheAboutBoxShowsTheVersionWhereThingsLiveAndEveryLineWhole)
{
    Open("[Settings]\nLocalDir=~/Fetched\n");
    QString places;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(about);
        EXPECT_EQ(about->windowTitle(), "About Velmora");
        EXPECT_EQ(about->findChild<QLabel*>("versionLine")->text(), "Velmora Version 2.2 Build 0");
        for (const QLabel* label : about->findChildren<QLabel*>())
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        places = about->findChild<QLabel*>("aboutPlaces")->text();
        EXPECT_TRUE(about->findChild<QLabel*>("aboutLicence")->text().contains("GPL-3.0-or-later"));
        about->accept();
    });
    window->OnAbout();
    const std::string home = std::getenv("HOME");
    EXPECT_EQ(places.toStdString(), "Settings: " + dir.File("settings.dat") + " and clients.dat\nSearches: " +
                                        dir.File("velmora.db") + "\nDownloads: " + home + "/Fetched");
}

TEST_F(MainWindowTest, AFirstStartSaysOnceWhereThingsLive)
{
    Open("[Settings]\nLocalDir=/srv/fetched\n");
    QString told;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        told = box->informativeText();
        box->accept();
    });
    window->TellWhereThingsLive();
    EXPECT_TRUE(told.startsWith(QString::fromStdString("Settings: " + dir.File("settings.dat")))) << told.toStdString();
    EXPECT_TRUE(told.contains("Downloads: /srv/fetched\n")) << told.toStdString();
}

TEST_F(MainWindowTest, ControlsStandInTheirPlacesWithoutOverlapping)
{
    Open("[Alpha]\n");
    const QRect group = Find<QGroupBox>("searchGroup")->geometry();
    const QRect edit = Find<QLineEdit>("searchWords")->geometry();
    const QRect button = Find<QPushButton>("searchButton")->geometry();
    const QRect normal = Find<QRadioButton>("normalSearch")->geometry();
    EXPECT_FALSE(edit.intersects(button));
    EXPECT_FALSE(normal.intersects(edit));
    EXPECT_GE(Find<QRadioButton>("normalSearch")->width(), Find<QRadioButton>("normalSearch")->sizeHint().width())
        << "the label is not cut";
    const QRect engines = Tree("engineTree")->geometry();
    const QRect servers = Tree("serverTree")->geometry();
    EXPECT_GT(engines.width(), 89) << "the engine pane is no longer fixed at 89 pixels";
    EXPECT_EQ(engines.top(), servers.top());
    EXPECT_EQ(engines.bottom(), servers.bottom());
    EXPECT_GT(Find<QWidget>("panes")->geometry().top(), group.bottom());
    const int statusTop = Find<StatusBar>("statusBar")->mapTo(window.get(), QPoint(0, 0)).y();
    EXPECT_GT(statusTop, window->GetServerDetailsDock()->geometry().bottom()) << "the status bar is the foot";
    EXPECT_EQ(test::CrowdedControls(window.get()), QStringList{});
}

TEST_F(MainWindowTest, TheWindowFitsAThousandByAndTheSearchBoxGrowsWithIt)
{
    Open("[Alpha]\n");
    EXPECT_LE(window->width(), 1000);
    EXPECT_LE(window->height(), 650);
    const int narrow = Find<QLineEdit>("searchWords")->width();
    window->resize(1400, 800);
    QApplication::processEvents();
    EXPECT_GT(Find<QLineEdit>("searchWords")->width(), narrow + 300);
    window->resize(10, 10);
    QApplication::processEvents();
    for (const char* id : {"searchButton", "normalSearch"})
        EXPECT_GE(Find<QWidget>(id)->width(), Find<QWidget>(id)->sizeHint().width()) << id << " is not clipped";
    EXPECT_GE(Tree("engineTree")->width(), Tree("engineTree")->minimumWidth());
}

TEST_F(MainWindowTest, TheSearchModesAreAChoiceAndTheGreyedOneSaysWhy)
{
    Open("[Alpha]\n");
    QAction* search = window->GetCommand(Command::Search);
    QAction* charts = window->GetCommand(Command::ChartsSearch);
    ASSERT_TRUE(search->actionGroup() != nullptr);
    EXPECT_EQ(search->actionGroup(), charts->actionGroup());
    EXPECT_TRUE(search->actionGroup()->isExclusive()) << "a choice of modes, not a switch";
    search->trigger();
    EXPECT_TRUE(search->isChecked());
    EXPECT_FALSE(charts->isEnabled());
    EXPECT_EQ(charts->toolTip(), kChartsUnavailable);
    EXPECT_EQ(Find<QRadioButton>("chartsSearch")->toolTip(), kChartsUnavailable);
}

TEST_F(MainWindowTest, ASmallWindowGivesItsRoomToTheResultsFirst)
{
    Open("[Alpha]\n[Settings]\nPaneWidths=150,230,600\n");
    auto* panes = window->GetPanes();
    window->resize(640, 420);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QList<int> widths = panes->sizes();
    const int total = widths[0] + widths[1] + widths[2];
    EXPECT_GE(widths[2], total / 2) << widths[0] << " " << widths[1] << " " << widths[2];
    EXPECT_GE(widths[0], Tree("engineTree")->minimumWidth());
    EXPECT_GE(widths[1], Tree("serverTree")->minimumWidth());
    EXPECT_LT(widths[0], 150) << "both side panes gave some";
    EXPECT_LT(widths[1], 230);
    window->resize(10, 10);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const int details = window->GetServerDetailsDock()->height();
    EXPECT_LE(details, (details + window->centralWidget()->height()) * 2 / 5)
        << "the details panel does not take half the height";
}

TEST_F(MainWindowTest, PanesAreDraggedAndTheirWidthsAndTheWindowAreRemembered)
{
    Open("[Alpha]\n");
    auto* panes = window->GetPanes();
    ASSERT_EQ(panes->count(), 3);
    window->resize(900, 600);
    QApplication::processEvents();
    panes->setSizes({260, 200, 400});
    QApplication::processEvents();
    const QList<int> widths = panes->sizes();
    EXPECT_EQ(widths[0], 260) << "the engine pane takes the width it is given";
    window->close();
    const std::string saved = test::ReadFile(dir.File("settings.dat"));
    for (const char* key : {"WindowGeometry=", "WindowState=", "PaneWidths="})
        EXPECT_NE(saved.find(key), std::string::npos) << key;
    EXPECT_EQ(saved.find("[Window"), std::string::npos) << "no new section: every other section is an engine";
    window.reset();
    window = std::make_unique<MainWindow>(dir.Path());
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(window->GetPanes()->sizes(), widths);
    EXPECT_EQ(window->size(), QSize(900, 600));
}

TEST_F(MainWindowTest, ANewUserIsWelcomedWithTheWaysToGetEnginesAndCanTypeAtOnce)
{
    Open();
    auto* area = window->findChild<QStackedWidget*>();
    ASSERT_TRUE(area != nullptr);
    EXPECT_EQ(area->currentWidget(), Find<WelcomePage>("welcomePage"));
    EXPECT_TRUE(Find<QPushButton>("welcomeUpdateEngines") != nullptr);
    EXPECT_TRUE(Find<QPushButton>("welcomeAddEngine") != nullptr);
    EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>("searchWords"));
    window.reset();
    Open("[Alpha]\n");
    EXPECT_EQ(window->findChild<QStackedWidget*>()->currentWidget(), Find<QWidget>("resultsPane"));
}

TEST_F(MainWindowTest, MenusHaveMnemonicsEllipsesAndTheUsualShortcuts)
{
    Open();
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->isSeparator() || action->text().isEmpty())
            continue;
        bool numeric = false;
        action->objectName().toInt(&numeric);
        EXPECT_FALSE(numeric) << action->objectName().toStdString() << " is named by a number";
        if (!action->objectName().endsWith(QStringLiteral("Action")))
            continue; // Qt's own (a menu's, a dock's toggle)
        EXPECT_TRUE(action->text().contains('&')) << action->text().toStdString() << " has no mnemonic";
    }
    EXPECT_EQ(window->GetCommand(Command::Exit)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(window->GetCommand(Command::Documentation)->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(window->GetCommand(Command::Settings)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(window->GetCommand(Command::SearchAgain)->shortcut(), QKeySequence(Qt::Key_F5));
    for (Command id :
         {Command::Settings, Command::CheckUpgrade, Command::UpdateEngines, Command::UpdateClients, Command::About})
        EXPECT_TRUE(window->GetCommand(id)->text().endsWith(QChar(0x2026)))
            << static_cast<int>(id) << " opens a dialog";
    EXPECT_FALSE(window->GetCommand(Command::StopTests)->isEnabled()) << "Stop Tests only while tests run";
    // Keys that act from the window's panes are named in the menus too.
    for (const auto& [id, key] : {std::pair{Command::StopTests, "\tEsc"}, std::pair{Command::StopBrowsing, "\tEsc"},
                                  std::pair{Command::GetFile, "\tEnter"}}) {
        ASSERT_NE(window->GetCommand(id), nullptr) << static_cast<int>(id);
        EXPECT_TRUE(window->GetCommand(id)->text().endsWith(QString::fromLatin1(key))) << static_cast<int>(id);
    }

    // Alt and a letter reaches one thing only: a menu or a button of the window.
    QStringList taken;
    const auto letterOf = [](const QString& text) {
        const qsizetype at = text.indexOf('&');
        return at >= 0 && at + 1 < text.size() ? text.mid(at + 1, 1).toLower() : QString();
    };
    for (QAction* menu : window->menuBar()->actions())
        taken << letterOf(menu->text());
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!letterOf(button->text()).isEmpty())
            taken << letterOf(button->text());
    }
    EXPECT_EQ(taken.removeDuplicates(), 0) << taken.join(' ').toStdString();
}

TEST_F(MainWindowTest, TheDetailsPanelIsADockTheMenuShowsHidesAndRemembers)
{
    Open();
    QDockWidget* dock = window->GetServerDetailsDock();
    EXPECT_TRUE(dock->isVisible());
    EXPECT_TRUE(dock->isAncestorOf(window->GetServerDetails()));
    EXPECT_EQ(window->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    window->GetCommand(Command::ServerDetails)->trigger();
    EXPECT_FALSE(dock->isVisible());
    EXPECT_FALSE(window->GetCommand(Command::ServerDetails)->isChecked());
    dock->setFloating(false);
    window->GetCommand(Command::ServerDetails)->trigger();
    EXPECT_TRUE(dock->isVisible());
    dock->close(); // its own close box
    EXPECT_FALSE(dock->isVisible());
    EXPECT_FALSE(window->GetCommand(Command::ServerDetails)->isChecked()) << "the close box and the menu agree";
    EXPECT_NE(test::ReadFile(dir.File("settings.dat")).find("ServerDetails=0"), std::string::npos);
}

TEST_F(MainWindowTest, TabGoesFromTheWordsThroughTheListsToThePanel)
{
    Open("[Alpha]\nQuery=http://a/?q=%s\n");
    QStringList order;
    for (int i = 0; i < 8; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (QStringList{"searchWords", "searchButton", "engineTree", "serverTree", "resultsFilter",
                                  "resultsView", "serverAddress", "serverPort"}));
}

TEST_F(MainWindowTest, AtItsSmallestTheWindowStillShowsEveryControlWhole)
{
    Open("[Alpha]\nQuery=http://a/?q=%s\n");
    Find<StatusBar>("statusBar")->SetText(4, "Searching: 20 of 20 engines answered");
    window->resize(50, 50);
    QApplication::processEvents();
    EXPECT_EQ(test::CrowdedControls(window.get()), QStringList{});
}

} // namespace
} // namespace velmora
