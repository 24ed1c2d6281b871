// Tests > Check Files from the window: each checked file gets a mark and
// a tip, its size and date fill in, and Esc stops a round.

#include <QTest>

#include "results/ui/results-model.h"
#include "window-fixture.h"

namespace velmora {
namespace {

using test::PageBehavior;

class CheckWindowTest : public test::WindowTest {
protected:
    test::PageServer pages;

    // A search that finds `files` on 127.0.0.1, its server selected.
    void SearchFor(const std::vector<std::string>& files)
    {
        std::string page;
        for (const std::string& file : files)
            page += "<a href=\"" + (file.starts_with("/") ? pages.Url(file) : file) + "\">f</a>";
        pages.Route("/page", {PageBehavior::Kind::Serve, page});
        Open("Filter=0\nViewStyle=3\nBrowseDelayFactor=0\n[E]\nQuery=" + pages.Url("/page") + "\n");
        Find<QLineEdit>("searchWords")->setText("song");
        window->OnSearch();
        ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
        Tree("serverTree")->setCurrentItem(Tree("serverTree")->topLevelItem(1)->child(0));
    }

    QAction* CheckCommand() const { return window->GetCommand(Command::CheckFiles); }

    // The shown row of a file by its name, as a flat list shows it.
    QModelIndex Row(const QString& name) const
    {
        const QAbstractItemModel* model = Results()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            if (index.data().toString() == name)
                return index;
            for (int child = 0; child < model->rowCount(index); ++child) {
                if (model->index(child, 0, index).data().toString() == name)
                    return model->index(child, 0, index);
            }
        }
        return {};
    }
};

TEST_F(CheckWindowTest, CheckedFilesShowAMarkATipAndTheirSize)
{
    pages.Route("/pub/song.mp3", {.body = std::string(4000, 's')});
    pages.Route("/pub/gone.mp3", {.status = 404});
    ASSERT_NO_FATAL_FAILURE(SearchFor({"/pub/song.mp3", "/pub/gone.mp3"}));
    ASSERT_TRUE(CheckCommand()->isEnabled());
    EXPECT_EQ(CheckCommand()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
    ASSERT_TRUE(Row("song.mp3").isValid());
    EXPECT_TRUE(Row("song.mp3").data(Qt::DecorationRole).isNull()) << "no mark before a check";

    // Nothing selected in the results: every file of the selected server.
    CheckCommand()->trigger();
    ASSERT_TRUE(Until([&] { return Status(4).startsWith("Checked "); })) << Status(4).toStdString();
    EXPECT_EQ(Status(4), "Checked 2 files: 1 there, 1 not there");
    const FileCheck* first = window->GetSession().GetFileCheck(0);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->alive) << first->reason;
    ASSERT_TRUE(Until([&] { return !Row("song.mp3").siblingAtColumn(1).data().toString().isEmpty(); }))
        << "the size comes in with the next refresh: "
        << Row("song.mp3").data(Qt::ToolTipRole).toString().toStdString();
    EXPECT_EQ(Row("song.mp3").siblingAtColumn(1).data().toString(), FormatFileSize(4000));
    EXPECT_FALSE(Row("song.mp3").data(Qt::DecorationRole).isNull());
    EXPECT_FALSE(Row("gone.mp3").data(Qt::DecorationRole).isNull());
    EXPECT_TRUE(Row("song.mp3").data(Qt::ToolTipRole).toString().contains("There (checked "));
    EXPECT_TRUE(Row("gone.mp3").data(Qt::ToolTipRole).toString().contains("Not there (checked "));
    EXPECT_TRUE(Row("gone.mp3").data(Qt::ToolTipRole).toString().contains("no such file (404"));
}

TEST_F(CheckWindowTest, TheSameFileOnAnotherServerIsCountedAndListedAsAMirror)
{
    test::PageServer other;
    pages.Route("/pub/song.mp3", {.body = std::string(4000, 's')});
    other.Route("/pub/song.mp3", {.body = std::string(4000, 'o')});
    ASSERT_NO_FATAL_FAILURE(SearchFor({"/pub/song.mp3", other.Url("/pub/song.mp3")}));
    ASSERT_EQ(window->GetSession().GetResultCount(), 2);
    EXPECT_TRUE(Row("song.mp3").siblingAtColumn(3).data().toString().isEmpty()) << "sizes unknown: no mirrors yet";
    EXPECT_EQ(Results()->model()->headerData(3, Qt::Horizontal).toString(), "Mirrors");

    window->GetSession().CheckFiles({0, 1});
    ASSERT_TRUE(Until([&] { return Row("song.mp3").siblingAtColumn(3).data().toString() == "1"; }))
        << Row("song.mp3").data(Qt::ToolTipRole).toString().toStdString();
    const QString tip = Row("song.mp3").data(Qt::ToolTipRole).toString();
    // The first server is shown: its file's mirror is on the other.
    const std::string shown = other.Url("/pub/song.mp3");
    EXPECT_TRUE(tip.contains(QString::fromStdString("Also on 1 other server:\n  " + shown))) << tip.toStdString();
}

TEST_F(CheckWindowTest, EscapeStopsARoundThatWaitsOnAServer)
{
    pages.Route("/pub/", {PageBehavior::Kind::Hang});
    ASSERT_NO_FATAL_FAILURE(SearchFor({"/pub/a.mp3", "/pub/b.mp3", "/pub/c.mp3"}));
    CheckCommand()->trigger();
    EXPECT_TRUE(window->GetSession().IsCheckRunning());
    EXPECT_TRUE(window->GetCommand(Command::StopChecks)->isEnabled());
    EXPECT_TRUE(Status(4).startsWith("Checking files: 0 of 3")) << Status(4).toStdString();
    window->OnEscape();
    EXPECT_FALSE(window->GetSession().IsCheckRunning());
    EXPECT_FALSE(window->GetCommand(Command::StopChecks)->isEnabled());
    EXPECT_EQ(Status(4), "Stopped");
    pages.ReleaseHangs();
}

} // namespace
} // namespace velmora
