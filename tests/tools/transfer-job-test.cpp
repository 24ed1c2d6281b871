#include "transfer-job.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <thread>

#include "support/ftp-world.h"
#include "support/page-server.h"
#include "support/scripted-server.h"
#include "support/tls-world.h"
#include "test-support.h"

namespace velmora {
namespace {

using test::PageBehavior;

TEST(TransferNameTest, TheFileNameComesFromTheLastSegment)
{
    EXPECT_EQ(FileNameFromUrl("http://h.org:80/music/blue%20moon.mp3"), "blue moon.mp3");
    EXPECT_EQ(FileNameFromUrl("ftp://u:p@h/pub/a.zip"), "a.zip");
    EXPECT_EQ(FileNameFromUrl("http://h.org/"), "download");
    EXPECT_EQ(FileNameFromUrl("http://h.org/..%2F..%2Fetc%2Fpasswd"), "_....etcpasswd") << "no way out of the folder";
    EXPECT_EQ(FileNameFromUrl("http://h.org/%2e%2e"), "download");
    EXPECT_EQ(FileNameFromUrl("http://h.org/a%0Ab.mp3?x=1"), "ab.mp3");
}

TEST(TransferNameTest, HiddenAndOverlongNamesAreNeverSavedAsSuch)
{
    // A download into a home folder must not become a shell's start-up file.
    EXPECT_EQ(FileNameFromUrl("http://h.org/.bashrc"), "_.bashrc");
    EXPECT_EQ(FileNameFromUrl("http://h.org/%2Eprofile"), "_.profile");
    // Longer than a file system takes once ".part.url" is added: the
    // extension stays, and no UTF-8 character is cut in half.
    std::string longName;
    for (int i = 0; i < 100; ++i)
        longName += "\xC3\xA9";
    const std::string name = FileNameFromUrl("http://h.org/" + longName + std::string(100, 'x') + ".tar.gz");
    EXPECT_LE(name.size() + std::string(".part.url").size(), 255u);
    EXPECT_TRUE(name.ends_with(".gz")) << name;
    EXPECT_EQ(name.rfind("\xC3\xA9", 0), 0u);
    for (std::size_t i = 0; i + 1 < name.size(); ++i) {
        if (name[i] == '\xC3') {
            EXPECT_EQ(name[i + 1], '\xA9') << "a character cut at " << i;
        }
    }
}

TEST(TransferTargetTest, ExistingFilesAreNeverOverwrittenAndOwnPartsResume)
{
    test::TempDir dir;
    EXPECT_EQ(ChooseTarget(dir.Path(), "a.mp3", "u1").finalPath, dir.File("a.mp3"));
    test::WriteFile(dir.File("a.mp3"), "someone else's");
    EXPECT_EQ(ChooseTarget(dir.Path(), "a.mp3", "u1").finalPath, dir.File("a (1).mp3"));
    test::WriteFile(dir.File("a (1).mp3.part"), "12345");
    test::WriteFile(dir.File("a (1).mp3.part.url"), "u2");
    const TransferTarget other = ChooseTarget(dir.Path(), "a.mp3", "u1");
    EXPECT_EQ(other.finalPath, dir.File("a (2).mp3")) << "another URL's part is left alone";
    const TransferTarget own = ChooseTarget(dir.Path(), "a.mp3", "u2");
    EXPECT_EQ(own.finalPath, dir.File("a (1).mp3"));
    EXPECT_EQ(own.resumeFrom, 5u);
    EXPECT_EQ(ChooseTarget(dir.Path(), "README", "u").finalPath, dir.File("README"));
    test::WriteFile(dir.File("x.tar.gz"), "someone else's");
    EXPECT_EQ(ChooseTarget(dir.Path(), "x.tar.gz", "u").finalPath, dir.File("x (1).tar.gz"))
        << "a tarball keeps its whole ending";
}

class TransferTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::PageServer server;
    std::atomic<bool> cancel{false};
    std::string body = std::string(300000, 'a') + std::string(300000, 'b');

    TransferResult Run(const std::string& path)
    {
        return RunTransfer(server.Url(path), dir.Path(), cancel, [](const TransferProgress&) {});
    }
};

TEST_F(TransferTest, DownloadsAWholeFileAndLeavesNoPart)
{
    server.Route("/f/song.mp3", {PageBehavior::Kind::Serve, body});
    const TransferResult result = Run("/f/song.mp3");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(test::ReadFile(dir.File("song.mp3")), body);
    EXPECT_FALSE(std::filesystem::exists(dir.File("song.mp3.part")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("song.mp3.part.url")));
}

TEST_F(TransferTest, ResumesAPartLeftByAnEarlierRun)
{
    server.Route("/song.mp3", {PageBehavior::Kind::Serve, body, 200, {}, 0, true});
    test::WriteFile(dir.File("song.mp3.part"), body.substr(0, 250000));
    test::WriteFile(dir.File("song.mp3.part.url"), server.Url("/song.mp3"));
    const TransferResult result = Run("/song.mp3");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(test::ReadFile(dir.File("song.mp3")), body);
    ASSERT_EQ(server.RequestHeads().size(), 1u);
    EXPECT_NE(server.RequestHeads()[0].find("Range: bytes=250000-"), std::string::npos);
}

TEST_F(TransferTest, AServerThatIgnoresTheRangeIsFetchedAgainWhole)
{
    server.Route("/song.mp3", {PageBehavior::Kind::Serve, body});
    test::WriteFile(dir.File("song.mp3.part"), "stale bytes");
    test::WriteFile(dir.File("song.mp3.part.url"), server.Url("/song.mp3"));
    const TransferResult result = Run("/song.mp3");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(test::ReadFile(dir.File("song.mp3")), body);
}

TEST_F(TransferTest, FailuresAreSentencesThatNameTheServersAnswer)
{
    // An error page of its own: its length is never taken for the file's.
    const std::string errorPage(70000, 'e');
    server.Route("/missing.mp3", {PageBehavior::Kind::Serve, errorPage, 404});
    std::vector<TransferProgress> reported;
    const TransferResult missing = RunTransfer(server.Url("/missing.mp3"), dir.Path(), cancel,
                                               [&](const TransferProgress& progress) { reported.push_back(progress); });
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, "The server has no such file (404).");
    for (const TransferProgress& progress : reported)
        EXPECT_EQ(progress.total, 0u) << "an error page's size was shown as the file's";
    EXPECT_TRUE(test::FilesNamed(dir.Path(), "missing").empty()) << "nothing arrived, so nothing is kept";

    const std::pair<int, const char*> answers[] = {
        {403, "The server refuses to give out this file (403)."}, {401, "The server asks for a login (401)."},
        {503, "The server is busy: try again later (503)."},      {500, "The server failed to send the file (500)."},
        {400, "The server refused the request (400)."},
    };
    for (const auto& [status, sentence] : answers) {
        server.Route("/x.mp3", {PageBehavior::Kind::Serve, "no", status});
        EXPECT_EQ(Run("/x.mp3").error, sentence) << status;
    }

    const auto refused = RunTransfer("http://127.0.0.1:" + std::to_string(test::RefusedPort()) + "/x.mp3", dir.Path(),
                                     cancel, [](const TransferProgress&) {});
    EXPECT_EQ(refused.error, "The server did not accept a connection: it may be down, or the port may be wrong.");
}

TEST_F(TransferTest, AServerThatSpeaksAnotherLanguageOrLoopsIsASentenceToo)
{
    // An SSH server at the address: libcurl calls its banner "HTTP/0.9".
    test::ScriptedServer ssh([](test::ScriptedConnection& connection) {
        connection.Send("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n");
        connection.ReadUntil("\r\n");
        connection.Send("Invalid SSH identification string.\r\n");
    });
    const std::string at = "127.0.0.1:" + std::to_string(ssh.Port());
    EXPECT_EQ(RunTransfer("http://" + at + "/a.mp3", dir.Path(), cancel, [](const TransferProgress&) {}).error,
              "The server did not answer as a web server: check the address and its port.");
    // A mail server greets with a code, but not the one an FTP server sends.
    test::ScriptedServer mail([](test::ScriptedConnection& connection) {
        connection.Send("554 mail.example.org no SMTP service here\r\n");
        connection.ReadUntil("\r\n");
    });
    EXPECT_EQ(RunTransfer("ftp://127.0.0.1:" + std::to_string(mail.Port()) + "/a.mp3", dir.Path(), cancel,
                          [](const TransferProgress&) {})
                  .error,
              "The server did not answer as an FTP server: check the address and its port.");
    server.Route("/loop.mp3", {PageBehavior::Kind::RedirectLoop});
    EXPECT_EQ(Run("/loop.mp3").error,
              "The server sent the download on from address to address without end (a redirect loop).");
}

TEST_F(TransferTest, ACutDownloadKeepsWhatArrivedForAResume)
{
    server.Route("/cut.mp3", {PageBehavior::Kind::CutMidway, body});
    const TransferResult cut = Run("/cut.mp3");
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.error, "The connection broke off before the file was whole; run the download again to resume it.");
    EXPECT_EQ(test::ReadFile(dir.File("cut.mp3.part")), body) << "what arrived stays for a resume";
    EXPECT_EQ(cut.bytesOnDisk, body.size());
}

TEST_F(TransferTest, AnFtpFileIsFetchedAndAMissingOneIsNamedAsSuch)
{
    test::TempDir served;
    test::WriteFile(served.File("a.zip"), body);
    test::FtpTestServer ftp(served.Path());
    ASSERT_TRUE(ftp.IsRunning()) << "python3-pyftpdlib is installed by scripts/install-deps.sh";
    const TransferResult fetched = RunTransfer(ftp.Url("/a.zip"), dir.Path(), cancel, [](const TransferProgress&) {});
    ASSERT_TRUE(fetched.ok) << fetched.error;
    EXPECT_EQ(test::ReadFile(dir.File("a.zip")), body);

    const TransferResult missing =
        RunTransfer(ftp.Url("/gone.zip"), dir.Path(), cancel, [](const TransferProgress&) {});
    EXPECT_EQ(missing.error, "The server has no such file (550).");
    const TransferResult denied =
        RunTransfer(ftp.Url("/a.zip", "joe:wrong"), dir.Path(), cancel, [](const TransferProgress&) {});
    EXPECT_EQ(denied.error, "The server refused the login (530).");
}

TEST_F(TransferTest, AnUntrustedCertificateStopsTheDownloadAndSaysSo)
{
    test::TempDir served;
    test::WriteFile(served.File("manual.pdf"), body);
    test::HttpsServer https(served.Path(), false);
    ASSERT_TRUE(https.IsRunning());
    test::TrustTestAuthority trust;
    const TransferResult result =
        RunTransfer(https.Url("/manual.pdf"), dir.Path(), cancel, [](const TransferProgress&) {});
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("certificate"), std::string::npos) << result.error;
    EXPECT_FALSE(std::filesystem::exists(dir.File("manual.pdf")));
}

TEST_F(TransferTest, PlantedLinksAreNeverWrittenThrough)
{
    server.Route("/song.mp3", {PageBehavior::Kind::Serve, body, 200, {}, 0, true});
    test::WriteFile(dir.File("precious.txt"), "precious");
    std::filesystem::create_symlink(dir.File("precious.txt"), dir.File("song.mp3.part"));
    test::WriteFile(dir.File("song.mp3.part.url"), server.Url("/song.mp3"));
    std::filesystem::create_symlink(dir.File("precious.txt"), dir.File("song (1).mp3.part.url"));
    const TransferResult result = Run("/song.mp3");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.finalPath, dir.File("song (2).mp3")) << "names whose parts are links are taken";
    EXPECT_EQ(test::ReadFile(dir.File("precious.txt")), "precious");
    EXPECT_EQ(test::ReadFile(dir.File("song (2).mp3")), body);
}

TEST_F(TransferTest, AFileThatAppearsDuringTheDownloadIsNotReplaced)
{
    server.Route("/song.mp3", {PageBehavior::Kind::Serve, body, 200, std::chrono::milliseconds(400)});
    std::thread planter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        test::WriteFile(dir.File("song.mp3"), "mine");
    });
    const TransferResult result = Run("/song.mp3");
    planter.join();
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(test::ReadFile(dir.File("song.mp3")), "mine");
    EXPECT_EQ(result.finalPath, dir.File("song (1).mp3"));
    EXPECT_EQ(test::ReadFile(dir.File("song (1).mp3")), body);
}

TEST_F(TransferTest, TheProgramsOwnFilesAreNeverCreated)
{
    server.Route("/", {PageBehavior::Kind::Serve, "[Settings]\nFTPClient=evil\n"});
    for (const char* name : {"settings.dat", "Clients.DAT", "client.scr", "update.tmp", "velmora.db"}) {
        const TransferResult result = Run(std::string("/d/") + name);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_FALSE(std::filesystem::exists(dir.File(name))) << name;
        EXPECT_NE(result.finalPath.find(" (1)"), std::string::npos) << result.finalPath;
    }
}

TEST_F(TransferTest, A416IsCompleteOnlyWhenTheServersSizeIsThePartsSize)
{
    server.Route("/whole.mp3", {PageBehavior::Kind::Serve, body, 200, {}, 0, true});
    test::WriteFile(dir.File("whole.mp3.part"), body);
    test::WriteFile(dir.File("whole.mp3.part.url"), server.Url("/whole.mp3"));
    const TransferResult whole = Run("/whole.mp3");
    ASSERT_TRUE(whole.ok) << whole.error;
    EXPECT_EQ(test::ReadFile(dir.File("whole.mp3")), body);

    server.Route("/changed.mp3", {PageBehavior::Kind::Serve, "short", 200, {}, 0, true});
    test::WriteFile(dir.File("changed.mp3.part"), body);
    test::WriteFile(dir.File("changed.mp3.part.url"), server.Url("/changed.mp3"));
    const TransferResult changed = Run("/changed.mp3");
    ASSERT_TRUE(changed.ok) << changed.error;
    EXPECT_EQ(test::ReadFile(dir.File("changed.mp3")), "short") << "a part longer than the file is fetched again";
}

// Writes fail past `bytes` for as long as it lives (as on a full disk: the
// process's file size limit, with its signal ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST_F(TransferTest, AFailedWriteStopsAtOnceAndKeepsWhatWasWrittenForAResume)
{
    const std::string large(8 << 20, 'x');
    server.Route("/big.iso", {PageBehavior::Kind::Serve, large, 200, {}, 0, true});
    TransferResult result;
    std::uint64_t lastReported = 0;
    {
        const FileSizeLimit limit(100000);
        result = RunTransfer(server.Url("/big.iso"), dir.Path(), cancel,
                             [&](const TransferProgress& progress) { lastReported = progress.done; });
    }
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("run the download again to resume it"), std::string::npos) << result.error;
    const auto onDisk = std::filesystem::file_size(dir.File("big.iso.part"));
    EXPECT_EQ(onDisk, 100000u);
    EXPECT_EQ(result.bytesOnDisk, onDisk) << "only what reached the disk is counted";
    EXPECT_EQ(lastReported, onDisk);
    EXPECT_EQ(test::ReadFile(dir.File("big.iso.part.url")), server.Url("/big.iso"));

    // With room again, the same URL resumes where the write failed.
    result = RunTransfer(server.Url("/big.iso"), dir.Path(), cancel, [](const TransferProgress&) {});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(test::ReadFile(dir.File("big.iso")), large);
    EXPECT_NE(server.RequestHeads().back().find("Range: bytes=100000-"), std::string::npos);
}

TEST_F(TransferTest, ADiskWithNoRoomAtAllLeavesNoEmptyMarkerBehind)
{
    server.Route("/a.zip", {PageBehavior::Kind::Serve, body});
    TransferResult result;
    {
        const FileSizeLimit limit(0);
        result = Run("/a.zip");
    }
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("a.zip.part.url"), std::string::npos) << result.error;
    EXPECT_TRUE(test::FilesNamed(dir.Path(), "a.zip").empty());
    EXPECT_EQ(server.Requests(), 0);
}

TEST_F(TransferTest, TwoRunsOfOneUrlNeverWriteIntoOnePart)
{
    server.Route("/slow.iso", {PageBehavior::Kind::Stall, body});
    TransferResult first;
    std::thread running([&] { first = Run("/slow.iso"); });
    // The first run holds its part once it has written into it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline && !(std::filesystem::exists(dir.File("slow.iso.part")) &&
                                                            std::filesystem::file_size(dir.File("slow.iso.part")) > 0))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::atomic<bool> noCancel{false};
    const TransferResult second =
        RunTransfer(server.Url("/slow.iso"), dir.Path(), noCancel, [](const TransferProgress&) {});
    cancel = true;
    running.join();
    EXPECT_FALSE(second.ok);
    EXPECT_EQ(second.error.rfind("This file is being downloaded by another FileTransfer already", 0), 0u)
        << second.error;
    EXPECT_TRUE(first.cancelled);
    EXPECT_EQ(std::filesystem::file_size(dir.File("slow.iso.part")), first.bytesOnDisk)
        << "only the first run wrote into the part";
    EXPECT_TRUE(std::filesystem::exists(dir.File("slow.iso.part.url")));
}

TEST(TransferMoveTest, WithoutRenameNoReplaceTheFileStillNeverReplacesAnother)
{
    test::TempDir dir;
    test::WriteFile(dir.File("a.part"), "whole");
    test::WriteFile(dir.File("taken"), "someone's");
    EXPECT_EQ(MoveWithoutReplacingByLink(dir.File("a.part"), dir.File("taken")), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(test::ReadFile(dir.File("taken")), "someone's");
    EXPECT_EQ(MoveWithoutReplacingByLink(dir.File("a.part"), dir.File("a")), 0);
    EXPECT_EQ(test::ReadFile(dir.File("a")), "whole");
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.part")));
}

TEST_F(TransferTest, AnHttpsDownloadIsNeverFollowedToPlainHttp)
{
    server.Route("/manual.pdf", {PageBehavior::Kind::Serve, body});
    test::TempDir served;
    test::WriteFile(served.File("manual.pdf.redirect"), server.Url("/manual.pdf"));
    test::WriteFile(served.File("moved.pdf.redirect"), "/manual2.pdf");
    test::WriteFile(served.File("manual2.pdf"), body);
    test::TrustTestAuthority trust;
    test::HttpsServer https(served.Path());
    ASSERT_TRUE(https.IsRunning());
    const TransferResult result =
        RunTransfer(https.Url("/manual.pdf"), dir.Path(), cancel, [](const TransferProgress&) {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "The server sent this https download to an unencrypted address; it was not followed.");
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_TRUE(test::FilesNamed(dir.Path(), "manual").empty());

    // A redirect that stays on https is followed.
    const TransferResult moved =
        RunTransfer(https.Url("/moved.pdf"), dir.Path(), cancel, [](const TransferProgress&) {});
    ASSERT_TRUE(moved.ok) << moved.error;
    EXPECT_EQ(test::ReadFile(moved.finalPath), body);
}

} // namespace
} // namespace velmora
