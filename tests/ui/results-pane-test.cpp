// The results tree, the details panel and server tests, from the window.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/search-session.h"
#include "results/ui/results-model.h"
#include "results/ui/server-details-dialog.h"
#include "support/scripted-server.h"
#include "window-fixture.h"

namespace velmora {
namespace {

using test::PageBehavior;

class ResultsPaneTest : public test::WindowTest {
protected:
    test::PageServer pages;
    std::unique_ptr<test::ScriptedServer> ftp =
        std::make_unique<test::ScriptedServer>(test::FtpServer("530 Login incorrect\r\n"));

    // One FTP server (127.0.0.1, a real test server) with three files and
    // one HTTP server on a name that is never probed.
    void SearchOnce(bool autoTest)
    {
        const std::string ftpUrl = "ftp://127.0.0.1:" + std::to_string(ftp->Port());
        pages.Route("/page", {PageBehavior::Kind::Serve, "<a href=\"" + ftpUrl + "/a/x.mp3\">1</a><a href=\"" + ftpUrl +
                                                             "/A/y.mp3\">2</a><a href=\"" + ftpUrl +
                                                             "/a/b/z.mp3\">3</a>"
                                                             "<a href=\"http://127.1:1/w.mp3\">w</a>"});
        Open("[Settings]\nFilter=0\nAutoTest=" + std::string(autoTest ? "1" : "0") +
                 "\n[E]\nQuery=" + pages.Url("/page") + "\n",
             true);
        Find<QLineEdit>("searchWords")->setText("mp3");
        window->OnSearch();
        ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
    }

    QString Field(const char* id) { return window->GetServerDetails()->findChild<QLineEdit*>(id)->text(); }
    QString Response() { return window->GetServerDetails()->findChild<QPlainTextEdit*>("serverReply")->toPlainText(); }
    QTreeWidgetItem* FtpServer() { return Tree("serverTree")->topLevelItem(0)->child(0); }
};

TEST_F(ResultsPaneTest, SelectingAServerListsItsFilesInEachStyle)
{
    ASSERT_NO_FATAL_FAILURE(SearchOnce(false));
    Tree("serverTree")->setCurrentItem(FtpServer());
    EXPECT_EQ(ResultTexts(), (QStringList{"z.mp3", "y.mp3", "x.mp3"}));
    EXPECT_EQ(Field("serverAddress"), "127.0.0.1");
    EXPECT_EQ(Field("serverUser"), "anonymous");
    EXPECT_EQ(Field("serverPassword"), "velmora@example.org");
    window->GetCommand(Command::Detailed)->trigger(); // Detailed
    EXPECT_TRUE(window->GetCommand(Command::Detailed)->isChecked());
    EXPECT_FALSE(window->GetCommand(Command::List)->isChecked());
    // Directories nest, and "/A/" is "/a/" whatever its letter case.
    EXPECT_EQ(ResultTexts(), (QStringList{"/a/"}));
    const QModelIndex top = Result(0);
    EXPECT_EQ(ResultTexts(top), (QStringList{"b/", "y.mp3", "x.mp3"}));
    EXPECT_EQ(ResultTexts(Result(0, top)), (QStringList{"z.mp3"}));
    window->GetCommand(Command::HalfDetailed)->trigger(); // Half Detailed
    EXPECT_EQ(ResultTexts(), (QStringList{"/a/b/z.mp3", "/A/y.mp3", "/a/x.mp3"}));
    EXPECT_NE(test::ReadFile(dir.File("settings.dat")).find("ViewStyle=2"), std::string::npos);

    Tree("serverTree")->setCurrentItem(Tree("serverTree")->topLevelItem(1)); // "HTTP"
    EXPECT_TRUE(ResultTexts().isEmpty());
    EXPECT_EQ(Field("serverAddress"), "127.0.0.1") << "the panel keeps what it showed";

    // No http request carries the anonymous FTP login, so none is shown.
    Tree("serverTree")->setCurrentItem(Tree("serverTree")->topLevelItem(1)->child(0));
    EXPECT_EQ(Field("serverAddress"), "127.1");
    EXPECT_EQ(Field("serverUser"), "");
    EXPECT_EQ(Field("serverPassword"), "");

    // A new search: the last one's server is gone, and so is what the panel said of it.
    window->OnSearch();
    EXPECT_EQ(Field("serverAddress"), "");
    EXPECT_EQ(Field("serverUser"), "");
    EXPECT_EQ(Response(), "");
    ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
}

// A server with more files than the view is told of at once: its list
// starts with a part (the view lays out every row it knows before it
// paints), scrolling to the end brings the rest, a file beyond the part is
// still found, and Select All takes every file.
TEST_F(ResultsPaneTest, ALongListComesAPartAtATimeAndSelectAllTakesEveryFile)
{
    Open("[Settings]\nFilter=0\n");
    Find<QLineEdit>("searchWords")->setText("big");
    window->OnSearch(); // no engines: over at once, and links are still taken
    constexpr int kFiles = static_cast<int>(ResultsModel::kRowsAtOnce) + 10;
    for (int n = 0; n < kFiles; ++n) {
        Message link;
        link.id = kMsgFoundHttpLink;
        link.jobId = 1;
        link.link = std::make_unique<FoundLink>();
        link.link->text = "http://big.example.org/f" + std::to_string(n) + ".iso";
        window->GetSession().HandleMessage(std::move(link));
    }
    ASSERT_EQ(window->GetSession().GetResultCount(), kFiles);
    Tree("serverTree")->setCurrentItem(Tree("serverTree")->topLevelItem(1)->child(0));
    QAbstractItemModel* model = Results()->model();
    EXPECT_EQ(model->rowCount(), static_cast<int>(ResultsModel::kRowsAtOnce));
    Results()->scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(model->rowCount(), kFiles) << "the rest, at the end of the part";

    window->GetCommand(Command::HalfDetailed)->trigger(); // Half Detailed: the list anew
    ASSERT_EQ(model->rowCount(), static_cast<int>(ResultsModel::kRowsAtOnce));
    // Newest first: the first file found is the last row.
    const QModelIndex first = static_cast<ResultsModel*>(model)->FindRecord(0);
    ASSERT_TRUE(first.isValid());
    EXPECT_EQ(first.row(), kFiles - 1);
    EXPECT_EQ(first.data().toString(), "/f0.iso") << "Half Detailed shows the path";

    window->GetCommand(Command::List)->trigger(); // List again
    ASSERT_EQ(model->rowCount(), static_cast<int>(ResultsModel::kRowsAtOnce));
    Results()->setFocus();
    QTest::keySequence(Results(), QKeySequence::SelectAll);
    EXPECT_EQ(Results()->selectionModel()->selectedRows().size(), kFiles);
}

TEST_F(ResultsPaneTest, ThePanelStartsShownCollapsedAndFoldsWithEnterAndEscape)
{
    Open({}, true);
    ServerDetailsDialog* panel = window->GetServerDetails();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->IsExpanded());
    EXPECT_TRUE(window->GetCommand(Command::ServerDetails)->isChecked());
    const int collapsed = panel->height();
    QTest::keyClick(panel, Qt::Key_Return);
    EXPECT_TRUE(panel->IsExpanded());
    EXPECT_TRUE(Until([&] { return panel->height() > collapsed; })) << "the panel grows to show the reply";
    EXPECT_EQ(panel->findChild<QPushButton*>("showReply")->text(), "<<<");
    window->GetCommand(Command::ServerDetails)->trigger(); // hide
    EXPECT_FALSE(panel->isVisible());
    EXPECT_NE(test::ReadFile(dir.File("settings.dat")).find("ServerDetails=0"), std::string::npos);
    window->GetCommand(Command::ServerDetails)->trigger(); // show again, still expanded
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->IsExpanded());
    QTest::keyClick(panel, Qt::Key_Escape);
    EXPECT_FALSE(panel->IsExpanded());
    EXPECT_TRUE(panel->isVisible()) << "Escape never closes the panel";
}

TEST_F(ResultsPaneTest, TheSelectedServersTestReplyReachesThePanel)
{
    ASSERT_NO_FATAL_FAILURE(SearchOnce(false));
    Tree("serverTree")->setCurrentItem(FtpServer());
    EXPECT_EQ(Response(), "");
    window->GetCommand(Command::RetestResults)->trigger(); // Re-Test Results
    ASSERT_TRUE(Until([&] { return MarkOf(FtpServer()) == kStateSuccess; }));
    EXPECT_EQ(Response(), "220 Welcome to the test server\n331 Password required\n530 Login incorrect\n");
    ASSERT_TRUE(Until([&] { return Status(3) == "0"; }));
    EXPECT_EQ(MarkOf(Tree("serverTree")->topLevelItem(1)->child(0)), kStateFailure) << "a closed port is bad";
}

TEST_F(ResultsPaneTest, AutomaticTestsFollowTheSearchAndTheMenuSwitch)
{
    ASSERT_NO_FATAL_FAILURE(SearchOnce(true));
    EXPECT_TRUE(window->GetCommand(Command::TestResults)->isChecked());
    ASSERT_TRUE(Until([&] { return MarkOf(FtpServer()) == kStateSuccess; }));
    window->GetCommand(Command::TestResults)->trigger(); // Test Results off
    EXPECT_FALSE(window->GetCommand(Command::TestResults)->isChecked());
    EXPECT_FALSE(window->GetSession().GetViews().GetAutoTest());
    EXPECT_EQ(Status(3), "0");
    EXPECT_NE(test::ReadFile(dir.File("settings.dat")).find("AutoTest=0"), std::string::npos);
}

TEST_F(ResultsPaneTest, DetailedOpensToTheFirstFile)
{
    ASSERT_NO_FATAL_FAILURE(SearchOnce(false));
    window->GetCommand(Command::Detailed)->trigger(); // Detailed
    Tree("serverTree")->setCurrentItem(FtpServer());
    const QModelIndex top = Result(0);
    ASSERT_TRUE(top.isValid());
    EXPECT_TRUE(Results()->isExpanded(top));
    EXPECT_TRUE(Results()->isExpanded(Result(0, top))) << "b/ holds the first file";
    EXPECT_EQ(Result(0, Result(0, top)).data().toString(), "z.mp3");
}

TEST_F(ResultsPaneTest, FoldersComeFirstAndSortingKeepsOpenFoldersAndTheSelection)
{
    const std::string ftpUrl = "ftp://127.0.0.1:" + std::to_string(ftp->Port());
    pages.Route("/page", {PageBehavior::Kind::Serve, "<a href=\"" + ftpUrl + "/a/b/z.mp3\">1</a><a href=\"" + ftpUrl +
                                                         "/a/x.mp3\">2</a><a href=\"" + ftpUrl + "/a/c/q.mp3\">3</a>"});
    Open("[Settings]\nFilter=0\nAutoTest=0\nViewStyle=3\n[E]\nQuery=" + pages.Url("/page") + "\n", true);
    Find<QLineEdit>("searchWords")->setText("mp3");
    window->OnSearch();
    ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
    Tree("serverTree")->setCurrentItem(FtpServer());
    const QModelIndex top = Result(0);
    ASSERT_EQ(top.data().toString(), "/a/");
    EXPECT_EQ(ResultTexts(top), (QStringList{"c/", "b/", "x.mp3"})) << "folders first, each kind as it came";

    // Open b/ (c/ is open already, down to the first file) and pick z.mp3.
    const QModelIndex b = Result(1, top);
    Results()->expand(b);
    Results()->setCurrentIndex(Result(0, b));
    Results()->sortByColumn(0, Qt::AscendingOrder);
    const QModelIndex sortedTop = Result(0);
    ASSERT_EQ(ResultTexts(sortedTop), (QStringList{"b/", "c/", "x.mp3"}));
    EXPECT_TRUE(Results()->isExpanded(sortedTop));
    EXPECT_TRUE(Results()->isExpanded(Result(0, sortedTop))) << "b/ stays open";
    EXPECT_TRUE(Results()->isExpanded(Result(1, sortedTop))) << "c/ stays open";
    EXPECT_EQ(Results()->currentIndex().data().toString(), "z.mp3");
    EXPECT_TRUE(Results()->selectionModel()->isSelected(Results()->currentIndex()));

    // Narrowing by name rebuilds the same server's tree: the places stay.
    Results()->collapse(Result(1, sortedTop));
    Find<QLineEdit>("resultsFilter")->setText("mp3");
    ASSERT_TRUE(Until([&] {
        return Results()->model()->rowCount() == 1 && !Results()->isExpanded(Result(1, Result(0))) &&
               Results()->isExpanded(Result(0, Result(0)));
    }));
    EXPECT_EQ(Results()->currentIndex().data().toString(), "z.mp3");
}

TEST_F(ResultsPaneTest, ThePasswordHidesUntilShownAndARepliesControlBytesAreWrittenOut)
{
    ftp = std::make_unique<test::ScriptedServer>([](test::ScriptedConnection& connection) {
        connection.Send("220 caf\xc3\xa9 \x1b[2J\x07ready\r\n");
        connection.ReadUntil("\r\n");
        connection.Send("331 Password required\r\n");
        connection.ReadUntil("\r\n");
        connection.Send("230 Logged in\r\n");
        connection.Hold();
    });
    ASSERT_NO_FATAL_FAILURE(SearchOnce(false));
    Tree("serverTree")->setCurrentItem(FtpServer());
    EXPECT_TRUE(FtpServer()->toolTip(0).contains("Not tested yet")) << FtpServer()->toolTip(0).toStdString();
    auto* password = window->GetServerDetails()->findChild<QLineEdit*>("serverPassword");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    window->GetServerDetails()->findChild<QPushButton*>("revealPassword")->click();
    EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(password->text(), "velmora@example.org") << "the whole anonymous address";

    window->GetCommand(Command::RetestResults)->trigger(); // Re-Test Results
    ASSERT_TRUE(Until([&] { return MarkOf(FtpServer()) == kStateSuccess; }));
    EXPECT_TRUE(Response().startsWith(QString::fromUtf8("220 caf\xc3\xa9 \\x1b[2J\\x07ready\n")))
        << Response().toStdString();
    EXPECT_EQ(FtpServer()->toolTip(0),
              QString::fromUtf8(("127.0.0.1:" + std::to_string(ftp->Port()) +
                                 ": Answered as a working server: 220 caf\xc3\xa9 \\x1b[2J\\x07ready\nIt has files "
                                 "no earlier search of these words found.")
                                    .c_str()));
}

} // namespace
} // namespace velmora
