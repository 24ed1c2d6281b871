// Saved searches and exports from the window: every search kept, reopened
// from File > Recent Searches, new results bold and View > Only New Results,
// File > Export… with its choices.

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFont>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

#include "export/ui/export-dialog.h"
#include "window-fixture.h"

namespace velmora {
namespace {

using test::PageBehavior;

class SavedSearchesWindowTest : public test::WindowTest {
protected:
    test::PageServer pages;

    void SetUp() override
    {
        Serve("<a href=\"http://127.1/music/a.mp3\">a</a><a href=\"http://127.1/music/b%20c.mp3\">b</a>");
        Open("[Settings]\nFilter=0\nAutoTest=0\n[E]\nQuery=" + pages.Url("/page") + "\n");
    }
    void Serve(const std::string& page) { pages.Route("/page", {PageBehavior::Kind::Serve, page}); }

    void Search(const char* words)
    {
        Find<QLineEdit>("searchWords")->setText(QString::fromLatin1(words));
        window->OnSearch();
        ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
        Tree("serverTree")->setCurrentItem(Tree("serverTree")->topLevelItem(1)->child(0));
        QApplication::processEvents();
    }
    bool IsBold(int row) const { return Result(row).data(Qt::FontRole).value<QFont>().bold(); }
    QAction* Action(Command command) const { return window->GetCommand(command); }
    QStringList RecentTexts() const
    {
        QMenu* menu = window->GetRecentSearchesMenu();
        emit menu->aboutToShow();
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << action->text();
        return texts;
    }
};

TEST_F(SavedSearchesWindowTest, NewResultsAreBoldAndOnlyNewResultsHidesTheRest)
{
    Search("moon");
    EXPECT_EQ(ResultTexts(), (QStringList{"b c.mp3", "a.mp3"}));
    EXPECT_TRUE(IsBold(0) && IsBold(1)) << "a first search's results are all new";

    Serve("<a href=\"http://127.1/music/a.mp3\">a</a><a href=\"http://127.1/music/d.mp3\">d</a>");
    Search("moon");
    ASSERT_EQ(ResultTexts(), (QStringList{"d.mp3", "a.mp3"}));
    EXPECT_TRUE(IsBold(0));
    EXPECT_FALSE(IsBold(1));
    QAction* onlyNew = Action(Command::OnlyNewResults);
    ASSERT_NE(onlyNew, nullptr);
    EXPECT_EQ(onlyNew->text(), "Only &New Results");
    onlyNew->trigger();
    EXPECT_TRUE(onlyNew->isChecked());
    EXPECT_EQ(ResultTexts(), (QStringList{"d.mp3"}));
    // The choice is kept for the next start.
    window.reset();
    window = std::make_unique<MainWindow>(dir.Path());
    EXPECT_TRUE(Action(Command::OnlyNewResults)->isChecked());
}

TEST_F(SavedSearchesWindowTest, NewMeansOneThingInBothTreesAndIsCounted)
{
    Serve("<a href=\"http://127.1/music/a.mp3\">a</a><a href=\"http://127.2/b.mp3\">b</a>");
    Search("moon");
    EXPECT_EQ(Status(4), "Found 2 files on 2 servers, 2 new");
    // Again: 127.1 has a file no earlier search found, 127.2 has none, and
    // 127.3 is new with a new file.
    Serve("<a href=\"http://127.1/music/a.mp3\">a</a><a href=\"http://127.2/b.mp3\">b</a>"
          "<a href=\"http://127.1/music/d.mp3\">d</a><a href=\"http://127.3/e.mp3\">e</a>");
    Search("moon");
    EXPECT_EQ(Status(4), "Found 4 files on 3 servers, 2 new");
    QTreeWidgetItem* http = Tree("serverTree")->topLevelItem(1);
    ASSERT_EQ(http->childCount(), 3);
    const auto bold = [&](int row) { return http->child(row)->font(0).bold(); };
    EXPECT_EQ(http->child(0)->text(0), "127.1");
    EXPECT_TRUE(bold(0)) << "a known server with a new file";
    EXPECT_FALSE(bold(1)) << "127.2 has nothing new";
    EXPECT_TRUE(bold(2));
    EXPECT_TRUE(http->child(0)->toolTip(0).contains("no earlier search of these words found"));
    Action(Command::OnlyNewResults)->trigger(); // Only New Results
    EXPECT_FALSE(http->child(0)->isHidden());
    EXPECT_TRUE(http->child(1)->isHidden()) << "a server without new files is left out";
    Action(Command::OnlyNewResults)->trigger();
    EXPECT_FALSE(http->child(1)->isHidden());
}

TEST_F(SavedSearchesWindowTest, ARecentSearchReopensWithoutFetching)
{
    EXPECT_EQ(RecentTexts(), (QStringList{"No saved searches yet"}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("velmora.db"))) << "looking makes no database";
    Search("blue & moon");
    Search("sun");
    const QStringList recent = RecentTexts();
    ASSERT_EQ(recent.size(), 2);
    EXPECT_TRUE(recent[0].startsWith("sun \u2014 ")) << recent[0].toStdString();
    EXPECT_TRUE(recent[1].startsWith("blue && moon \u2014 ")) << "no mnemonic from the words";
    EXPECT_TRUE(recent[1].endsWith(", 2 files")) << recent[1].toStdString();

    Serve(""); // the engine has nothing now: what shows comes from the database
    window->GetRecentSearchesMenu()->actions()[1]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(Find<QLineEdit>("searchWords")->text(), "blue & moon");
    EXPECT_EQ(Status(1), "2");
    EXPECT_TRUE(Status(4).startsWith("Saved search of ")) << Status(4).toStdString();
    ASSERT_EQ(Tree("serverTree")->topLevelItem(1)->childCount(), 1);
    EXPECT_EQ(Tree("serverTree")->currentItem(), Tree("serverTree")->topLevelItem(1)->child(0))
        << "its first server shows";
    EXPECT_EQ(ResultTexts(), (QStringList{"b c.mp3", "a.mp3"}));
}

TEST_F(SavedSearchesWindowTest, RecentSearchesNameEachSearchOnceAndForgetDropsItsRuns)
{
    QAction* forget = Action(Command::ForgetSearch);
    ASSERT_NE(forget, nullptr);
    EXPECT_EQ(forget->text(), "&Forget This Search\u2026");
    EXPECT_FALSE(forget->isEnabled()) << "nothing is kept yet";
    Search("moon");
    Search("sun");
    Search("moon");
    Search("moon");
    const QStringList recent = RecentTexts();
    ASSERT_EQ(recent.size(), 2) << recent.join('|').toStdString();
    EXPECT_TRUE(recent[0].startsWith("moon \u2014 "));
    EXPECT_TRUE(recent[1].startsWith("sun \u2014 ")) << "repeats push no other search out";

    ASSERT_TRUE(forget->isEnabled());
    AnsweringMessages([&] { forget->trigger(); });
    EXPECT_TRUE(lastMessage.contains("\u201cmoon\u201d")) << lastMessage.toStdString();
    EXPECT_EQ(Status(4), "Forgot 3 saved runs of \u201cmoon\u201d");
    EXPECT_FALSE(forget->isEnabled());
    EXPECT_EQ(ResultTexts(), (QStringList{"b c.mp3", "a.mp3"})) << "what shows stays";
    const QStringList left = RecentTexts();
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(left[0].startsWith("sun \u2014 "));
}

TEST_F(SavedSearchesWindowTest, AReopenedSearchShowsTheEnginesItRanWith)
{
    window.reset();
    Open("[Settings]\nFilter=0\nAutoTest=0\n[E]\nQuery=" + pages.Url("/page") + "\n[F]\nQuery=" + pages.Url("/page") +
         "\nSearch=N\n");
    Search("moon");
    QTreeWidget* engines = Tree("engineTree");
    engines->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    engines->topLevelItem(1)->setCheckState(0, Qt::Checked);
    ASSERT_EQ(RecentTexts().size(), 1);
    window->GetRecentSearchesMenu()->actions()[0]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(Tree("engineTree")->topLevelItem(0)->checkState(0), Qt::Checked) << "E ran";
    EXPECT_EQ(Tree("engineTree")->topLevelItem(1)->checkState(0), Qt::Unchecked) << "F did not";
}

TEST_F(SavedSearchesWindowTest, ExportWritesTheChosenResults)
{
    EXPECT_FALSE(Action(Command::Export)->isEnabled()) << "nothing to export before a search";
    Search("moon");
    EXPECT_TRUE(Action(Command::Export)->isEnabled());
    Results()->setCurrentIndex(Result(1));
    const QString all = QString::fromStdString(dir.File("all.txt"));
    ASSERT_TRUE(window->ExportResults({ExportScope::All, ExportFormat::Urls, false}, all));
    EXPECT_EQ(test::ReadFile(all.toStdString()), "http://127.1/music/a.mp3\nhttp://127.1/music/b%20c.mp3\n");
    EXPECT_TRUE(Status(4).startsWith("Exported 2 results to ")) << Status(4).toStdString();
    const QString selected = QString::fromStdString(dir.File("one.lftp"));
    ASSERT_TRUE(window->ExportResults({ExportScope::Selected, ExportFormat::Lftp, false}, selected));
    EXPECT_NE(test::ReadFile(selected.toStdString()).find("get \"http://127.1/music/a.mp3\" -o \"a.mp3\"\n"),
              std::string::npos);
    // Untested servers never pass the test.
    AnsweringMessages([&] {
        EXPECT_FALSE(window->ExportResults({ExportScope::Server, ExportFormat::Csv, true},
                                           QString::fromStdString(dir.File("none.csv"))));
    });
    EXPECT_TRUE(lastMessage.contains("passed the test")) << lastMessage.toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.csv")));
}

TEST(ExportDialogTest, AScopeWithoutResultsCannotBeChosen)
{
    ExportDialog none({0, 0, 0}, {0, 0, 0}, nullptr);
    EXPECT_FALSE(none.findChild<QPushButton*>()->isEnabled() &&
                 none.findChild<QRadioButton*>(QStringLiteral("exportAll"))->isEnabled());
    ExportDialog one({1, 4, 9}, {0, 0, 0}, nullptr);
    EXPECT_EQ(one.GetChoice().scope, ExportScope::Server) << "one selected result is no choice to prefer";
    ExportDialog many({3, 4, 9}, {1, 0, 5}, nullptr);
    EXPECT_EQ(many.GetChoice().scope, ExportScope::Selected);
    ExportDialog noServer({0, 0, 9}, {0, 0, 0}, nullptr);
    EXPECT_FALSE(noServer.findChild<QRadioButton*>(QStringLiteral("exportServer"))->isEnabled());
    EXPECT_EQ(noServer.GetChoice().scope, ExportScope::All);
    auto* format = many.findChild<QComboBox*>(QStringLiteral("exportFormat"));
    format->setCurrentIndex(2);
    auto* all = many.findChild<QRadioButton*>(QStringLiteral("exportAll"));
    EXPECT_EQ(all->text(), "&All results (9)");
    many.findChild<QCheckBox*>(QStringLiteral("exportOnlyGood"))->setChecked(true);
    EXPECT_EQ(many.GetChoice().format, ExportFormat::Lftp);
    EXPECT_TRUE(many.GetChoice().onlyGood);
    // The counts follow "Only servers that passed the test", and a choice
    // that would write nothing cannot be exported.
    EXPECT_EQ(all->text(), "&All results (5)");
    EXPECT_EQ(many.findChild<QRadioButton*>(QStringLiteral("exportSelected"))->text(), "&Selected results (1)");
    auto* exportButton = many.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    EXPECT_TRUE(exportButton->isEnabled());
    many.findChild<QRadioButton*>(QStringLiteral("exportServer"))->setChecked(true);
    EXPECT_FALSE(exportButton->isEnabled()) << "no result of that server is on a good server";
    many.findChild<QCheckBox*>(QStringLiteral("exportOnlyGood"))->setChecked(false);
    EXPECT_TRUE(exportButton->isEnabled());
    EXPECT_EQ(ExportFileFilter(ExportFormat::Aria2), "aria2 download list (*.aria2);;All files (*)");
    many.show();
    QApplication::processEvents();
    EXPECT_TRUE(test::CrowdedControls(&many).isEmpty()) << test::CrowdedControls(&many).join("; ").toStdString();
}

} // namespace
} // namespace velmora
