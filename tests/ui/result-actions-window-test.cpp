// The results tree's commands, from the window, with a recording stand-in
// as the FTP client and as FileTransfer.

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

#include <stdlib.h>

#include "settings/profile-store.h"
#include "window-fixture.h"

namespace velmora {
namespace {

using test::PageBehavior;

class ResultActionsWindowTest : public test::WindowTest {
protected:
    test::PageServer pages;
    std::string record = dir.File("recorded");

    void SetUp() override
    {
        ::setenv("VELMORA_RECORD_FILE", record.c_str(), 1);
        pages.Route("/page", {PageBehavior::Kind::Serve, "<a href=\"ftp://127.0.0.1/pub/blue%20moon.mp3\">a</a>"
                                                         "<a href=\"http://127.1/music/x.mp3\">x</a>"});
        Open("[Settings]\nFilter=0\nAutoTest=0\n[E]\nQuery=" + pages.Url("/page") + "\n", true);
        // Read at each launch, so it may be chosen after the window opened.
        ProfileEdit::WriteString(dir.File("settings.dat"), "Settings", "FTPClient", "Stand-in");
        ProfileEdit::WriteString(dir.File("clients.dat"), "Stand-in", "Path", RECORD_ARGS_PATH);
        ProfileEdit::WriteString(dir.File("clients.dat"), "Stand-in", "Args", "%h[ %r%f]");
        Find<QLineEdit>("searchWords")->setText("x");
        window->OnSearch();
        ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
    }

    void SelectFirstFileOf(int group)
    {
        Tree("serverTree")->setCurrentItem(Tree("serverTree")->topLevelItem(group)->child(0));
        Results()->setCurrentIndex(Result(0));
    }

    // A search that finds two files on one web server, both selected.
    void SelectTwoHttpFiles()
    {
        pages.Route("/page", {PageBehavior::Kind::Serve, "<a href=\"http://127.1/music/x.mp3\">x</a>"
                                                         "<a href=\"http://127.1/music/y%20z.mp3\">y</a>"});
        Find<QLineEdit>("searchWords")->setText("mp3");
        window->OnSearch();
        ASSERT_TRUE(Until([&] { return Caption() == "Search"; }));
        Tree("serverTree")->setCurrentItem(Tree("serverTree")->topLevelItem(1)->child(0));
        Results()->setFocus();
        Results()->selectAll();
    }

    std::vector<std::string> Arguments()
    {
        const auto recorded = test::ReadRecordedArgs(record);
        return recorded.size() < 2 ? recorded : std::vector<std::string>(recorded.begin() + 2, recorded.end());
    }
};

TEST_F(ResultActionsWindowTest, GetFileOnAnFtpResultStartsTheClientInFileMode)
{
    SelectFirstFileOf(0);
    window->GetCommand(Command::GetFile)->trigger();
    EXPECT_EQ(Arguments(), (std::vector<std::string>{"127.0.0.1", "/pub/blue moon.mp3"}));
}

TEST_F(ResultActionsWindowTest, ConnectToServerLeavesTheFileOut)
{
    SelectFirstFileOf(0);
    window->GetCommand(Command::ConnectToServer)->trigger();
    EXPECT_EQ(Arguments(), (std::vector<std::string>{"127.0.0.1"}));
}

TEST_F(ResultActionsWindowTest, CopyPutsAValidUrlOnTheClipboard)
{
    SelectFirstFileOf(1);
    window->GetCommand(Command::CopyToClipboard)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "http://127.1/music/x.mp3") << "no made-up login for http";
}

TEST_F(ResultActionsWindowTest, CopyAndCtrlCCopyEverySelectedUrlAndSayHowMany)
{
    ASSERT_NO_FATAL_FAILURE(SelectTwoHttpFiles());
    QGuiApplication::clipboard()->clear();
    window->GetCommand(Command::CopyToClipboard)->trigger();
    QStringList copied = QGuiApplication::clipboard()->text().split('\n');
    copied.sort();
    EXPECT_EQ(copied, (QStringList{"http://127.1/music/x.mp3", "http://127.1/music/y%20z.mp3"}));
    EXPECT_EQ(Status(4), "Copied 2 URLs to the clipboard");
    QGuiApplication::clipboard()->clear();
    Results()->clearSelection();
    Results()->setCurrentIndex(Result(0));
    QTest::keyClick(Results(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("http://127.1/music/"))
        << "an address, not the file name: " << QGuiApplication::clipboard()->text().toStdString();
    EXPECT_EQ(Status(4), "Copied 1 URL to the clipboard");
}

TEST_F(ResultActionsWindowTest, DoubleClickOnADirectoryItemFetchesNothing)
{
    window->GetCommand(Command::Detailed)->trigger(); // Detailed
    Tree("serverTree")->setCurrentItem(Tree("serverTree")->topLevelItem(0)->child(0));
    const QModelIndex directory = Result(0);
    ASSERT_EQ(Results()->model()->rowCount(directory), 1);
    Results()->setCurrentIndex(directory);
    emit Results()->doubleClicked(directory);
    EXPECT_FALSE(test::WaitFor([&] { return std::filesystem::exists(record); }, std::chrono::milliseconds(300)));
    Results()->setCurrentIndex(Result(0, directory));
    emit Results()->doubleClicked(Result(0, directory));
    EXPECT_EQ(Arguments(), (std::vector<std::string>{"127.0.0.1", "/pub/blue moon.mp3"}));
}

TEST_F(ResultActionsWindowTest, EnterOnAResultIsGetFileAndTheResultsStay)
{
    SelectFirstFileOf(0);
    Results()->setFocus();
    QTest::keyClick(Results(), Qt::Key_Return);
    EXPECT_EQ(Arguments(), (std::vector<std::string>{"127.0.0.1", "/pub/blue moon.mp3"}));
    EXPECT_EQ(Caption(), "Search") << "no new search was started";
    EXPECT_EQ(Results()->model()->rowCount(), 1) << "the results are still there";
}

TEST_F(ResultActionsWindowTest, TheStatusLineSaysTheClientStartedAndHowItEnded)
{
    // A client that waits for a word from the test, then ends as told.
    const std::string go = dir.File("go");
    test::WriteFile(dir.File("client.sh"), "#!/bin/sh\nwhile [ ! -e '" + go +
                                               "' ]; do sleep 0.05; done\necho 'Access failed: 550 No such "
                                               "file' >&2\nexit \"$(cat '" +
                                               go + "')\"\n");
    std::filesystem::permissions(dir.File("client.sh"), std::filesystem::perms::owner_all);
    ProfileEdit::WriteString(dir.File("clients.dat"), "Stand-in", "Path", dir.File("client.sh"));
    SelectFirstFileOf(0);
    window->GetCommand(Command::GetFile)->trigger();
    EXPECT_EQ(Status(4), "Stand-in started...");
    test::WriteFile(go + ".part", "1");
    std::filesystem::rename(go + ".part", go);
    EXPECT_TRUE(Until([&] { return Status(4) == "Stand-in failed: Access failed: 550 No such file"; }))
        << Status(4).toStdString();

    std::filesystem::remove(go);
    window->GetCommand(Command::GetFile)->trigger();
    EXPECT_EQ(Status(4), "Stand-in started...");
    test::WriteFile(go + ".part", "0");
    std::filesystem::rename(go + ".part", go);
    EXPECT_TRUE(Until([&] { return Status(4) == "Stand-in finished"; })) << Status(4).toStdString();
}

TEST_F(ResultActionsWindowTest, AGetFileThatCannotStartSaysWhatToDo)
{
    SelectFirstFileOf(0);
    ProfileEdit::WriteString(dir.File("settings.dat"), "Settings", "FTPClient", "");
    AnsweringMessages([&] { window->GetCommand(Command::GetFile)->trigger(); });
    EXPECT_EQ(lastMessage, "No FTP client is chosen: pick one in Edit > Settings > FTP Clients.");

    ProfileEdit::WriteString(dir.File("settings.dat"), "Settings", "FTPClient", "Gone");
    AnsweringMessages([&] { window->GetCommand(Command::ConnectToServer)->trigger(); });
    EXPECT_EQ(lastMessage, "The FTP client \"Gone\" is not in clients.dat: pick another in Edit > Settings > FTP "
                           "Clients.");

    ProfileEdit::WriteString(dir.File("clients.dat"), "Stand-in", "Path", dir.File("no-such-program"));
    ProfileEdit::WriteString(dir.File("settings.dat"), "Settings", "FTPClient", "Stand-in");
    AnsweringMessages([&] { window->GetCommand(Command::GetFile)->trigger(); });
    EXPECT_TRUE(lastMessage.startsWith("The FTP client \"Stand-in\" could not be started"))
        << lastMessage.toStdString();
    EXPECT_FALSE(std::filesystem::exists(record));
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

TEST_F(ResultActionsWindowTest, GetFileOnSeveralHttpResultsStartsOneDownloadProgramWithThemAll)
{
    // The stand-in is FileTransfer, first on PATH.
    std::filesystem::create_directory(dir.File("bin"));
    std::filesystem::create_symlink(RECORD_ARGS_PATH, dir.File("bin/FileTransfer"));
    const std::string oldPath = ::getenv("PATH") ? ::getenv("PATH") : "";
    ::setenv("PATH", (dir.File("bin") + ":" + oldPath).c_str(), 1);
    ASSERT_NO_FATAL_FAILURE(SelectTwoHttpFiles());
    window->GetCommand(Command::GetFile)->trigger(); // Get File
    ASSERT_TRUE(test::WaitFor([&] { return !test::ReadRecordedArgs(record).empty(); }));
    ::setenv("PATH", oldPath.c_str(), 1);
    const auto recorded = test::ReadRecordedArgs(record);
    ASSERT_GE(recorded.size(), 2u);
    std::vector<std::string> urls(recorded.end() - 2, recorded.end());
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{"http://127.1:80/music/x.mp3", "http://127.1:80/music/y%20z.mp3"}));
    EXPECT_EQ(recorded.size(), 4u) << "one program for both";
}

} // namespace
} // namespace velmora
