// Browse Server from the window: files come into the results with sizes
// and dates, the Detailed view sorts and filters them, and Stop and Esc end
// a browse.

#include <QHeaderView>
#include <QTest>

#include "window-fixture.h"

namespace velmora {
namespace {

using test::PageBehavior;

class BrowseWindowTest : public test::WindowTest {
protected:
    test::PageServer pages;

    // A search that finds one file of 127.0.0.1; the server's /pub/ index
    // answers as `index`.
    void SearchOnce(PageBehavior index)
    {
        pages.Route("/page", {PageBehavior::Kind::Serve, "<a href=\"" + pages.Url("/pub/song.mp3") + "\">s</a>"});
        pages.Route("/pub/", std::move(index));
        Open("Filter=0\nDetailed=1\n[E]\nQuery=" + pages.Url("/page") + "\n");
        Find<QLineEdit>("searchWords")->setText("song");
        window->OnSearch();
        ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
        Tree("serverTree")->setCurrentItem(Tree("serverTree")->topLevelItem(1)->child(0));
        Tree("serverTree")->setFocus();
    }

    QAction* BrowseCommand() const { return window->GetCommand(Command::BrowseServer); }
    QAction* StopCommand() const { return window->GetCommand(Command::StopBrowsing); }
};

// An nginx index: a date and a size after each link.
const char* const kIndex = "<html><body><pre><a href=\"../\">../</a>\n"
                           "<a href=\"song.mp3\">song.mp3</a>   07-Dec-2026 10:00     4000000\n"
                           "<a href=\"album.zip\">album.zip</a>  01-Jan-2020 08:30   900000000\n"
                           "<a href=\"notes.txt\">notes.txt</a>  05-May-2024 12:00        312\n"
                           "</pre></body></html>";

TEST_F(BrowseWindowTest, BrowseServerAddsTheServersFilesWithSizesAndDates)
{
    ASSERT_NO_FATAL_FAILURE(SearchOnce({PageBehavior::Kind::Serve, kIndex}));
    window->GetCommand(Command::Detailed)->trigger(); // Detailed
    ASSERT_TRUE(BrowseCommand()->isEnabled());
    EXPECT_FALSE(StopCommand()->isEnabled());
    BrowseCommand()->trigger();
    EXPECT_TRUE(Status(4).startsWith("Browsing 127.0.0.1: ")) << Status(4).toStdString();
    EXPECT_TRUE(StopCommand()->isEnabled());
    ASSERT_TRUE(Until([&] { return !window->GetSession().IsBrowseRunning(); }));
    EXPECT_FALSE(StopCommand()->isEnabled());
    EXPECT_EQ(Status(1), "3") << "song.mp3 was found already";
    EXPECT_EQ(Status(4), "Browsed 127.0.0.1: 1 folder, 3 files (2 results added)");

    // The root was refused (404), so the browse fell back to /pub/.
    const QModelIndex pub = Result(0);
    EXPECT_EQ(ResultTexts(), QStringList{"/pub/"});
    const QAbstractItemModel* model = Results()->model();
    ASSERT_EQ(model->columnCount(), 4);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Size");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Modified");
    QStringList rows;
    for (int row = 0; row < model->rowCount(pub); ++row)
        rows << model->index(row, 0, pub).data().toString() + "|" + model->index(row, 1, pub).data().toString() + "|" +
                    model->index(row, 2, pub).data().toString().left(10);
    rows.sort();
    EXPECT_EQ(rows, (QStringList{"album.zip|858.3 MB|2020-01-01", "notes.txt|312 bytes|2024-05-05",
                                 "song.mp3|3.8 MB|2026-12-07"}))
        << "the listing's duplicate is not taken again, but the search's result gets its size and date";

    // Any column sorts, an unknown value as the least; the filter box
    // narrows by name after a pause.
    Results()->sortByColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(ResultTexts(Result(0)), (QStringList{"album.zip", "song.mp3", "notes.txt"}));
    Results()->sortByColumn(2, Qt::AscendingOrder);
    EXPECT_EQ(ResultTexts(Result(0)), (QStringList{"album.zip", "notes.txt", "song.mp3"}));
    Results()->sortByColumn(0, Qt::DescendingOrder);
    EXPECT_EQ(ResultTexts(Result(0)), (QStringList{"song.mp3", "notes.txt", "album.zip"}));
    Find<QLineEdit>("resultsFilter")->setText("NOTES");
    EXPECT_EQ(ResultTexts(Result(0)).size(), 3) << "not before the pause";
    ASSERT_TRUE(Until([&] { return ResultTexts(Result(0)) == QStringList{"notes.txt"}; }, std::chrono::seconds(2)));

    // Filter words beside the name: sizes, dates and extensions.
    auto* filter = Find<QLineEdit>("resultsFilter");
    const auto shows = [&](const char* text, const QStringList& names) {
        filter->setText(QString::fromLatin1(text));
        return Until([&] { return ResultTexts(Result(0)) == names; }, std::chrono::seconds(2));
    };
    EXPECT_TRUE(shows("size>1M", {"song.mp3", "album.zip"})) << "still sorted by name, descending";
    EXPECT_TRUE(shows("size<1k since:2024-01-01", {"notes.txt"}));
    EXPECT_TRUE(shows("ext:MP3,zip since:2021-01-01", {"song.mp3"}));
    EXPECT_TRUE(filter->toolTip().startsWith("Words a file's name holds")) << filter->toolTip().toStdString();
    filter->setText(QStringLiteral("size>lots"));
    ASSERT_TRUE(
        Until([&] { return filter->toolTip().contains("\"size>lots\" is not understood"); }, std::chrono::seconds(2)))
        << "a word that does not read is told, and looked for as a name";
    EXPECT_EQ(Results()->model()->rowCount(), 0);
}

TEST_F(BrowseWindowTest, ARoundedSizeIsShownAsAboutThatMuch)
{
    ASSERT_NO_FATAL_FAILURE(SearchOnce({PageBehavior::Kind::Serve,
                                        "<table><tr><td><a href=\"big.iso\">big.iso</a></td><td>2026-12-07 12:05</td>"
                                        "<td>1.0M</td></tr><tr><td><a href=\"small.txt\">small.txt</a></td>"
                                        "<td>2026-12-07 12:05</td><td>512</td></tr></table>"}));
    window->GetCommand(Command::Detailed)->trigger(); // Detailed
    BrowseCommand()->trigger();
    ASSERT_TRUE(Until([&] { return !window->GetSession().IsBrowseRunning(); }));
    const QModelIndex pub = Result(0);
    const QAbstractItemModel* model = Results()->model();
    QStringList sizes;
    for (int row = 0; row < model->rowCount(pub); ++row)
        sizes << model->index(row, 0, pub).data().toString() + "|" + model->index(row, 1, pub).data().toString();
    sizes.sort();
    EXPECT_EQ(sizes, (QStringList{"big.iso|~1.0 MB", "small.txt|512 bytes", "song.mp3|"}));
}

TEST_F(BrowseWindowTest, AHomePageAtTheRootGivesWayToTheFoldersTheSearchFound)
{
    // The root is a home page: no entry of its own; the search found files
    // in two folders, and both are listed instead, each once.
    pages.Route("/", {PageBehavior::Kind::Serve, "<html><body><h1>Welcome</h1><a href=\"https://elsewhere.example/\">"
                                                 "x</a><a href=\"/?lang=de\">Deutsch</a></body></html>"});
    pages.Route("/pub/", {PageBehavior::Kind::Serve, kIndex});
    pages.Route("/music/", {PageBehavior::Kind::Serve, "<pre><a href=\"tune.ogg\">tune.ogg</a>  07-Dec-2026 10:00  "
                                                       "12\n<a href=\"other.ogg\">other.ogg</a></pre>"});
    pages.Route("/page", {PageBehavior::Kind::Serve, "<a href=\"" + pages.Url("/pub/song.mp3") + "\">s</a><a href=\"" +
                                                         pages.Url("/music/tune.ogg") + "\">t</a><a href=\"" +
                                                         pages.Url("/PUB/other.mp3") + "\">o</a>"});
    Open("Filter=0\n[E]\nQuery=" + pages.Url("/page") + "\n");
    Find<QLineEdit>("searchWords")->setText("song");
    window->OnSearch();
    ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
    Tree("serverTree")->setCurrentItem(Tree("serverTree")->topLevelItem(1)->child(0));
    Tree("serverTree")->setFocus();
    BrowseCommand()->trigger(); // from the server tree: from the server's root
    ASSERT_TRUE(Until([&] { return !window->GetSession().IsBrowseRunning(); }));
    EXPECT_EQ(Status(4), "Browsed 127.0.0.1: 2 folders, 5 files (3 results added)") << Status(4).toStdString();
}

TEST_F(BrowseWindowTest, FilesShowWhileABrowseRunsAndEscapeStopsIt)
{
    std::string index = kIndex;
    index.insert(index.find("</pre>"), "<a href=\"slow/\">slow/</a>\n");
    pages.Route("/pub/slow/", {PageBehavior::Kind::Stall, "<html><a href=\"a.bin\">a</a>"});
    ASSERT_NO_FATAL_FAILURE(SearchOnce({PageBehavior::Kind::Serve, index}));
    Results()->setFocus();
    Results()->setCurrentIndex(Result(0));
    ASSERT_EQ(Results()->currentIndex().data().toString(), "song.mp3");
    BrowseCommand()->trigger(); // from the selected file's folder
    ASSERT_TRUE(window->GetSession().IsBrowseRunning());
    EXPECT_EQ(window->GetSession().GetBrowse().GetTarget()->startDirectory, "/pub/");

    // /pub/ is listed while /pub/slow/ hangs: its files show, the selected
    // one still selected.
    ASSERT_TRUE(Until([&] { return ResultTexts().size() == 3; }, std::chrono::seconds(5)))
        << ResultTexts().join(",").toStdString();
    EXPECT_TRUE(window->GetSession().IsBrowseRunning());
    EXPECT_EQ(Results()->currentIndex().data().toString(), "song.mp3");

    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->GetSession().IsBrowseRunning());
    EXPECT_EQ(Status(4), "Stopped");
    EXPECT_EQ(Status(3), "0") << "its thread was given back";
    EXPECT_FALSE(StopCommand()->isEnabled());
    EXPECT_TRUE(BrowseCommand()->isEnabled()) << "it can be browsed again";
}

} // namespace
} // namespace velmora
