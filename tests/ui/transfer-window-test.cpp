// The download program's window, headless.

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include "support/page-server.h"
#include "test-support.h"
#include "transfer-window.h"

namespace velmora {
namespace {

using test::PageBehavior;

TEST(TransferWindowTest, ClosingWhileTheServerStallsWaitsForTheWorkerBeforeTheResultIsRead)
{
    test::TempDir dir;
    test::PageServer server;
    server.Route("/slow.mp3", {PageBehavior::Kind::Stall, std::string(1000, 'x')});
    TransferWindow window(server.Url("/slow.mp3"), dir.Path());
    window.show();
    window.Start();
    ASSERT_TRUE(test::WaitFor([&] {
        QApplication::processEvents();
        return std::filesystem::exists(dir.File("slow.mp3.part"));
    }));
    window.close();
    // The worker has ended by now, so its result can be read safely; the
    // server still stalls, so it was the close that ended it.
    EXPECT_FALSE(window.Succeeded());
    server.ReleaseHangs();
}

TEST(TransferWindowTest, FileNamesFromTheWebAreShownAsPlainText)
{
    test::TempDir dir;
    TransferWindow window("http://127.0.0.1:9/%3Cb%3Ebold%3C%2Fb%3E%3Cimg%20src=x%3E.mp3", dir.Path());
    bool found = false;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().contains(QStringLiteral("<b>bold"))) {
            found = true;
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
        }
    }
    EXPECT_TRUE(found);
}

class TransferWindowEndTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::PageServer server;
    std::string body = std::string(300000, 'm');

    bool RunToEnd(TransferWindow& window)
    {
        window.show();
        window.Start();
        return test::WaitFor([&] {
            QApplication::processEvents();
            return window.IsFinished();
        });
    }

    static QString Text(const TransferWindow& window, const char* id)
    {
        return window.findChild<QLabel*>(QString::fromLatin1(id))->text();
    }
    static QPushButton* Button(const TransferWindow& window, const char* id)
    {
        return window.findChild<QPushButton*>(QString::fromLatin1(id));
    }
};

TEST_F(TransferWindowEndTest, ADoneDownloadShowsItsPathAndOffersItsFolderUntilClosed)
{
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nLocalDir=saved\n");
    server.Route("/song.mp3", {PageBehavior::Kind::Serve, body});
    TransferWindow window(server.Url("/song.mp3"), dir.Path());
    QString opened;
    window.SetFolderOpener([&](const QString& folder) {
        opened = folder;
        return true;
    });
    EXPECT_EQ(Text(window, "folder").toStdString(), dir.File("saved"));
    EXPECT_FALSE(window.windowIcon().isNull()) << "the program's icon";
    ASSERT_TRUE(RunToEnd(window));
    EXPECT_TRUE(window.Succeeded());
    EXPECT_EQ(window.GetStatusText().toStdString(), "Done: " + dir.File("saved/song.mp3"));
    EXPECT_EQ(Text(window, "progress"), "292 KB");
    EXPECT_TRUE(window.isVisible()) << "it stays until the user closes it";
    EXPECT_EQ(Button(window, "closeOrCancel")->text(), "Close");
    QPushButton* openFolder = Button(window, "openFolder");
    ASSERT_TRUE(openFolder->isVisible());
    openFolder->click();
    EXPECT_EQ(opened.toStdString(), dir.File("saved"));
    EXPECT_EQ(test::ReadFile(dir.File("saved/song.mp3")), body);
}

TEST_F(TransferWindowEndTest, AskedToItClosesWhenDone)
{
    server.Route("/song.mp3", {PageBehavior::Kind::Serve, body});
    TransferWindow window(server.Url("/song.mp3"), dir.Path(), true);
    ASSERT_TRUE(RunToEnd(window));
    EXPECT_TRUE(window.Succeeded());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TransferWindowEndTest, AFailureIsASentenceAndOffersNoFolder)
{
    server.Route("/gone.mp3", {PageBehavior::Kind::Serve, std::string(50000, 'e'), 404});
    TransferWindow window(server.Url("/gone.mp3"), dir.Path());
    ASSERT_TRUE(RunToEnd(window));
    EXPECT_EQ(window.GetStatusText(), "The server has no such file (404).");
    EXPECT_EQ(Text(window, "progress"), "-") << "the error page's size is not the file's";
    EXPECT_FALSE(Button(window, "openFolder")->isVisible());

    test::WriteFile(dir.File("settings.dat"), "[Settings]\nLocalDir=settings.dat\n");
    TransferWindow nowhere(server.Url("/gone.mp3"), dir.Path());
    ASSERT_TRUE(RunToEnd(nowhere));
    EXPECT_TRUE(nowhere.GetStatusText().startsWith("The Local Directory ")) << nowhere.GetStatusText().toStdString();
    EXPECT_EQ(server.RequestHeads().size(), 1u) << "nothing is fetched without a folder to put it in";
}

TEST_F(TransferWindowEndTest, ShrunkTheWindowKeepsEveryRowWhole)
{
    // A long folder wraps: its second line must not be cut off.
    const std::string deep = "downloads/a folder with a rather long name/and another one below it/music";
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nLocalDir=" + deep + "\n");
    TransferWindow window("http://127.0.0.1:9/a-rather-long-file-name-for-a-narrow-window.tar.gz", dir.Path());
    window.show();
    window.resize(10, 10);
    QApplication::processEvents();
    EXPECT_GE(window.width(), 440);
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        const int needed =
            label->wordWrap() ? label->heightForWidth(label->width()) : label->minimumSizeHint().height();
        EXPECT_GE(label->height(), needed) << label->text().toStdString();
    }
}

TEST(TransferTextTest, ProgressAndTimeReadAsPeopleSayThem)
{
    EXPECT_EQ(FormatProgress(1536 * 1024, 3 * 1024 * 1024), "1.5 MB of 3.0 MB");
    EXPECT_EQ(FormatProgress(2048, 0), "2 KB") << "size unknown";
    EXPECT_EQ(FormatDuration(45), "45 s");
    EXPECT_EQ(FormatDuration(185), "3 min 5 s");
    EXPECT_EQ(FormatDuration(7800), "2 h 10 min");
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

TEST_F(TransferWindowEndTest, ABatchListsEachFileWithHowItWentAndCountsTheWhole)
{
    server.Route("/one.mp3", {PageBehavior::Kind::Serve, body});
    server.Route("/three.mp3", {PageBehavior::Kind::Serve, "3"});
    TransferWindow window(
        std::vector<std::string>{server.Url("/one.mp3"), server.Url("/two.mp3"), server.Url("/three.mp3")}, dir.Path());
    EXPECT_EQ(window.windowTitle(), "3 files - FileTransfer");
    ASSERT_TRUE(RunToEnd(window));
    EXPECT_FALSE(window.Succeeded());
    const auto* files = window.findChild<QListWidget*>("files");
    ASSERT_NE(files, nullptr);
    ASSERT_EQ(files->count(), 3);
    EXPECT_EQ(files->item(0)->text(), QStringLiteral("one.mp3 \u2014 done"));
    EXPECT_TRUE(files->item(1)->text().startsWith(QStringLiteral("two.mp3 \u2014 The server has no such file (404)")))
        << files->item(1)->text().toStdString();
    EXPECT_EQ(files->item(2)->text(), QStringLiteral("three.mp3 \u2014 done"));
    EXPECT_EQ(window.findChild<QProgressBar*>("overall")->value(), 2);
    EXPECT_EQ(window.GetStatusText(),
              QStringLiteral("2 of 3 files arrived in %1; the list says why the others did not.")
                  .arg(QString::fromStdString(dir.Path())));
    EXPECT_TRUE(Button(window, "openFolder")->isVisible());
    EXPECT_EQ(test::ReadFile(dir.File("three.mp3")), "3");

    TransferWindow whole(std::vector<std::string>{server.Url("/three.mp3"), server.Url("/one.mp3")}, dir.Path());
    ASSERT_TRUE(RunToEnd(whole));
    EXPECT_TRUE(whole.Succeeded());
    EXPECT_TRUE(whole.GetStatusText().startsWith(QStringLiteral("Done: all 2 files are in ")));
}

} // namespace
} // namespace velmora
