// The FileTransfer program itself, run as "Get File" runs it.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/page-server.h"
#include "support/tls-world.h"
#include "test-support.h"

namespace velmora {
namespace {

using test::PageBehavior;

class FileTransferProgramTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::PageServer server;
    std::string half = std::string(200000, 'x');
    std::string body = half + std::string(200000, 'y');

    // Started in the test's folder as the window starts it, closing when
    // done (unless told otherwise) so the test sees its end.
    pid_t Start(const std::vector<std::string>& urls, bool closeWhenDone = true)
    {
        // Built before the fork: the child only execs.
        std::vector<char*> argv{const_cast<char*>(FILE_TRANSFER_PATH)};
        if (closeWhenDone)
            argv.push_back(const_cast<char*>("--close-when-done"));
        for (const std::string& url : urls)
            argv.push_back(const_cast<char*>(url.c_str()));
        argv.push_back(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::chdir(dir.Path().c_str()) != 0)
                ::_exit(126);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::execv(FILE_TRANSFER_PATH, argv.data());
            ::_exit(127);
        }
        return child;
    }
    pid_t Start(const std::string& url, bool closeWhenDone = true)
    {
        return Start(std::vector<std::string>{url}, closeWhenDone);
    }

    // The exit status, or -1 when it did not end in time (it is killed then).
    int Wait(pid_t child)
    {
        int status = 0;
        if (!test::WaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, std::chrono::seconds(30))) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(FileTransferProgramTest, KilledHalfwayItResumesOnTheNextRun)
{
    server.Route("/song.mp3", {PageBehavior::Kind::Stall, half});
    const pid_t first = Start(server.Url("/song.mp3"));
    const bool halfway = test::WaitFor([&] {
        std::error_code error;
        return std::filesystem::file_size(dir.File("song.mp3.part"), error) == half.size();
    });
    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
    ASSERT_TRUE(halfway);

    server.Route("/song.mp3", {PageBehavior::Kind::Serve, body, 200, {}, 0, true});
    EXPECT_EQ(Wait(Start(server.Url("/song.mp3"))), 0);
    EXPECT_EQ(test::ReadFile(dir.File("song.mp3")), body);
    const auto heads = server.RequestHeads();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_NE(heads[1].find("Range: bytes=200000-"), std::string::npos);
    server.ReleaseHangs();
}

TEST_F(FileTransferProgramTest, ThreeFilesArriveOneAfterAnotherAndACutOneIsResumed)
{
    server.Route("/b.bin", {PageBehavior::Kind::Stall, half});
    const pid_t cut = Start(server.Url("/b.bin"));
    const bool halfway = test::WaitFor([&] {
        std::error_code error;
        return std::filesystem::file_size(dir.File("b.bin.part"), error) == half.size();
    });
    ::kill(cut, SIGKILL);
    ::waitpid(cut, nullptr, 0);
    ASSERT_TRUE(halfway);

    server.Route("/a.bin", {PageBehavior::Kind::Serve, "first"});
    server.Route("/b.bin", {PageBehavior::Kind::Serve, body, 200, {}, 0, true});
    server.Route("/c.bin", {PageBehavior::Kind::Serve, "third"});
    EXPECT_EQ(Wait(Start(std::vector<std::string>{server.Url("/a.bin"), server.Url("/b.bin"), server.Url("/c.bin")})),
              0);
    EXPECT_EQ(test::ReadFile(dir.File("a.bin")), "first");
    EXPECT_EQ(test::ReadFile(dir.File("b.bin")), body);
    EXPECT_EQ(test::ReadFile(dir.File("c.bin")), "third");
    EXPECT_FALSE(std::filesystem::exists(dir.File("b.bin.part")));
    const auto paths = server.RequestedPaths();
    EXPECT_EQ(paths, (std::vector<std::string>{"/b.bin", "/a.bin", "/b.bin", "/c.bin"})) << "in the order given";
    const auto heads = server.RequestHeads();
    ASSERT_EQ(heads.size(), 4u);
    EXPECT_NE(heads[2].find("Range: bytes=200000-"), std::string::npos);
    server.ReleaseHangs();

    // One that fails does not stop the next; the window stays open to say
    // why, even when asked to close when done.
    std::filesystem::remove(dir.File("a.bin"));
    const pid_t partly = Start(std::vector<std::string>{server.Url("/missing.bin"), server.Url("/a.bin")});
    EXPECT_TRUE(test::WaitFor([&] { return test::ReadFile(dir.File("a.bin")) == "first"; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(::waitpid(partly, nullptr, WNOHANG), 0) << "still open";
    ::kill(partly, SIGKILL);
    ::waitpid(partly, nullptr, 0);
}

TEST_F(FileTransferProgramTest, ADifferentFileOfThatNameIsNeverOverwritten)
{
    test::WriteFile(dir.File("song.mp3"), "mine");
    server.Route("/song.mp3", {PageBehavior::Kind::Serve, body});
    EXPECT_EQ(Wait(Start(server.Url("/song.mp3"))), 0);
    EXPECT_EQ(test::ReadFile(dir.File("song.mp3")), "mine");
    EXPECT_EQ(test::ReadFile(dir.File("song (1).mp3")), body);
}

TEST_F(FileTransferProgramTest, AnHttpsFileIsFetchedOverAVerifiedConnection)
{
    test::TempDir served;
    test::WriteFile(served.File("manual.pdf"), body);
    test::HttpsServer https(served.Path());
    ASSERT_TRUE(https.IsRunning()) << "openssl and python3 are installed by the scripts";
    {
        test::TrustTestAuthority trust; // the child inherits CURL_CA_BUNDLE
        EXPECT_EQ(Wait(Start("https://localhost:" + std::to_string(https.Port()) + "/manual.pdf")), 0);
    }
    EXPECT_EQ(test::ReadFile(dir.File("manual.pdf")), body);
}

TEST_F(FileTransferProgramTest, ItSavesIntoTheLocalDirectoryAndStaysOpenUnlessToldToClose)
{
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nLocalDir=downloads\n");
    server.Route("/song.mp3", {PageBehavior::Kind::Serve, body});
    const pid_t child = Start(server.Url("/song.mp3"), false);
    const bool saved = test::WaitFor([&] { return test::ReadFile(dir.File("downloads/song.mp3")) == body; });
    // The window shows where the file went and waits for the user.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const bool stillOpen = ::waitpid(child, nullptr, WNOHANG) == 0;
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(saved);
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(std::filesystem::exists(dir.File("song.mp3"))) << "not beside settings.dat";
}

TEST_F(FileTransferProgramTest, NoUrlOrAnUnknownOptionIsAUsageError)
{
    test::ProgramRun none = test::RunProgram({FILE_TRANSFER_PATH}, dir.Path(), std::chrono::seconds(20));
    EXPECT_EQ(none.status, 2);
    test::ProgramRun unknown =
        test::RunProgram({FILE_TRANSFER_PATH, "--fast", "http://h/a"}, dir.Path(), std::chrono::seconds(20));
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.output.find("Usage: FileTransfer [--close-when-done] URL..."), std::string::npos);
}

} // namespace
} // namespace velmora
