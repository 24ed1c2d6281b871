// Checking files on real servers the test starts, without downloading
// them: nginx answering HEAD, refusing it, ignoring ranges; pyftpdlib over
// one login; and a web server whose 403 the GET gives too.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "check/check-run.h"
#include "check/file-checker.h"
#include "platform/http-fetch.h"
#include "platform/message-queue.h"
#include "support/ftp-world.h"
#include "support/nginx-world.h"
#include "support/page-server.h"
#include "support/scripted-server.h"

namespace velmora {
namespace {

constexpr std::int64_t kModified = 1735732800; // 2025-01-01 12:00:00 UTC

CheckLimits QuickLimits()
{
    CheckLimits limits;
    limits.connectTimeoutSeconds = 5;
    limits.lowSpeedSeconds = 5;
    limits.totalTimeoutSeconds = 20;
    limits.delayFactor = 0;
    return limits;
}

class CheckWorldTest : public ::testing::Test {
protected:
    test::TempDir tree;

    void SetUp() override { std::filesystem::create_directories(tree.Path() + "/pub"); }

    void Put(const std::string& path, std::uint64_t bytes)
    {
        ASSERT_TRUE(test::WriteSizedFile(tree.Path() + path, bytes, kModified));
    }

    // The access log's lines for a path (METHOD STATUS BYTES), once nginx
    // has written as many as expected; it logs after the answer is sent.
    static std::vector<std::string> Logged(const test::NginxServer& nginx, const std::string& path,
                                           std::size_t expected)
    {
        std::vector<std::string> lines;
        test::WaitFor(
            [&] {
                lines.clear();
                for (const std::string& line : nginx.AccessLog()) {
                    if (line.ends_with(" " + path))
                        lines.push_back(
                            line.substr(line.find(' ') + 1, line.size() - path.size() - 2 - line.find(' ')));
                }
                return lines.size() >= expected;
            },
            std::chrono::seconds(5));
        return lines;
    }
};

TEST_F(CheckWorldTest, AWebServerThatAnswersHeadTellsSizeAndDateAndAGoneFileIsNotThere)
{
    Put("/pub/disk.img", 3 << 20);
    test::NginxServer nginx(tree.Path(), {.logConnections = true});
    ASSERT_TRUE(nginx.IsRunning());
    HttpConnection connection;

    const FileCheck there = CheckFile(connection, {.url = nginx.Url("/pub/disk.img")}, QuickLimits());
    EXPECT_TRUE(there.alive) << there.reason;
    EXPECT_EQ(there.status, 200);
    EXPECT_EQ(there.size, std::optional<std::uint64_t>(3 << 20));
    EXPECT_EQ(there.modified, std::optional<std::int64_t>(kModified));
    EXPECT_EQ(there.reason, "The server has the file (200 OK).");
    EXPECT_EQ(Logged(nginx, "/pub/disk.img", 1), std::vector<std::string>{"HEAD 200 0"}) << "a HEAD, nothing else";

    const FileCheck gone = CheckFile(connection, {.url = nginx.Url("/pub/gone.img")}, QuickLimits());
    EXPECT_FALSE(gone.alive);
    EXPECT_EQ(gone.status, 404);
    EXPECT_FALSE(gone.size);
    EXPECT_EQ(gone.reason, "The server has no such file (404 Not Found).");
}

TEST_F(CheckWorldTest, HeadRefusedTheFirstByteIsAskedForAndTheSizeReadFromItsRange)
{
    Put("/pub/disk.img", 5 << 20);
    test::NginxServer nginx(tree.Path(), {.logConnections = true, .refuseHead = true});
    ASSERT_TRUE(nginx.IsRunning());
    HttpConnection connection;

    const FileCheck check = CheckFile(connection, {.url = nginx.Url("/pub/disk.img")}, QuickLimits());
    EXPECT_TRUE(check.alive) << check.reason;
    EXPECT_EQ(check.status, 206);
    EXPECT_EQ(check.size, std::optional<std::uint64_t>(5 << 20));
    EXPECT_EQ(check.modified, std::optional<std::int64_t>(kModified));
    EXPECT_EQ(Logged(nginx, "/pub/disk.img", 2), (std::vector<std::string>{"HEAD 405 0", "GET 206 1"}));

    const FileCheck gone = CheckFile(connection, {.url = nginx.Url("/pub/gone.img")}, QuickLimits());
    EXPECT_FALSE(gone.alive);
    EXPECT_EQ(gone.status, 404);
}

TEST_F(CheckWorldTest, AServerThatIgnoresTheRangeIsHungUpOnNotDownloaded)
{
    constexpr std::uint64_t kBig = std::uint64_t{64} << 20;
    Put("/pub/big.iso", kBig);
    // Slowed, so what it sent before the hang-up is what the check took.
    test::NginxServer nginx(tree.Path(),
                            {.logConnections = true, .limitRate = "1m", .refuseHead = true, .ignoreRanges = true});
    ASSERT_TRUE(nginx.IsRunning());
    HttpConnection connection;

    const FileCheck check = CheckFile(connection, {.url = nginx.Url("/pub/big.iso")}, QuickLimits());
    EXPECT_TRUE(check.alive) << check.reason;
    EXPECT_EQ(check.status, 200);
    EXPECT_EQ(check.size, std::optional<std::uint64_t>(kBig)) << "from Content-Length";
    const std::vector<std::string> lines = Logged(nginx, "/pub/big.iso", 2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[1].starts_with("GET 200 ")) << lines[1];
    const std::uint64_t sent = std::stoull(lines[1].substr(lines[1].rfind(' ') + 1));
    EXPECT_LT(sent, std::uint64_t{2} << 20) << "the check must not take the file";
}

TEST_F(CheckWorldTest, AForbiddenHeadIsTriedAsAGetAndAForbiddenGetIsTheAnswer)
{
    test::PageServer server;
    server.Respond("/open", [](const std::string&, const std::string& head) {
        test::PageBehavior answer;
        if (head.starts_with("HEAD")) {
            answer.status = 403;
            return answer;
        }
        answer.body = "0123456789";
        answer.ranges = true;
        return answer;
    });
    server.Route("/closed", {.status = 403});
    HttpConnection connection;

    const FileCheck open = CheckFile(connection, {.url = server.Url("/open/file.bin")}, QuickLimits());
    EXPECT_TRUE(open.alive) << open.reason;
    EXPECT_EQ(open.status, 206);
    EXPECT_EQ(open.size, std::optional<std::uint64_t>(10));

    const FileCheck closed = CheckFile(connection, {.url = server.Url("/closed/file.bin")}, QuickLimits());
    EXPECT_FALSE(closed.alive);
    EXPECT_EQ(closed.status, 403);
    EXPECT_NE(closed.reason.find("403"), std::string::npos) << closed.reason;

    // A server's reason phrase is told without the bytes a terminal acts on.
    test::ScriptedServer rude(test::HttpServer("HTTP/1.1 500 Oops\x1b[2J\x07 now"));
    HttpConnection another;
    const FileCheck oops =
        CheckFile(another, {.url = "http://127.0.0.1:" + std::to_string(rude.Port()) + "/a"}, QuickLimits());
    EXPECT_FALSE(oops.alive);
    EXPECT_EQ(oops.status, 500);
    EXPECT_EQ(oops.reason, "The server answered 500 Oops [2J  now.");

    const FileCheck nobody =
        CheckFile(connection, {.url = "http://127.0.0.1:" + std::to_string(test::RefusedPort()) + "/a"}, QuickLimits());
    EXPECT_FALSE(nobody.alive);
    EXPECT_EQ(nobody.status, 0);
    EXPECT_EQ(nobody.reason, "The server did not accept a connection.");
}

// An anonymous login whose password is an address: libcurl takes no "@"
// in a URL's password, so the login goes beside the URL.
FileToCheck Anonymous(const std::string& url)
{
    return {.url = url, .user = "anonymous", .password = "velmora@example.org"};
}

TEST_F(CheckWorldTest, AnFtpServerIsAskedSizeAndDateOfEveryFileOverOneLogin)
{
    Put("/pub/one.iso", 1000);
    Put("/pub/two.iso", 2 << 20);
    test::FtpTestServer ftp(tree.Path());
    ASSERT_TRUE(ftp.IsRunning());
    HttpConnection connection;

    const FileCheck one = CheckFile(connection, Anonymous(ftp.Url("/pub/one.iso")), QuickLimits());
    const FileCheck gone = CheckFile(connection, Anonymous(ftp.Url("/pub/gone.iso")), QuickLimits());
    const FileCheck two = CheckFile(connection, Anonymous(ftp.Url("/pub/two.iso")), QuickLimits());

    EXPECT_TRUE(one.alive) << one.reason;
    EXPECT_EQ(one.size, std::optional<std::uint64_t>(1000));
    EXPECT_EQ(one.modified, std::optional<std::int64_t>(kModified));
    EXPECT_EQ(one.status, 213);
    EXPECT_TRUE(two.alive) << two.reason;
    EXPECT_EQ(two.size, std::optional<std::uint64_t>(2 << 20));
    EXPECT_FALSE(gone.alive);
    EXPECT_EQ(gone.status, 550);
    EXPECT_EQ(gone.reason, "The server has no such file (550).");

    std::multiset<std::string> commands;
    for (const std::string& line : ftp.Commands())
        commands.insert(line.substr(0, line.find(' ')));
    EXPECT_EQ(commands.count("USER"), 1u) << "one login for the three files";
    EXPECT_GE(commands.count("TYPE"), 1u);
    EXPECT_EQ(commands.count("SIZE"), 3u);
    EXPECT_GE(commands.count("MDTM"), 2u);
    EXPECT_EQ(commands.count("RETR"), 0u) << "nothing is downloaded";
    EXPECT_EQ(commands.count("PASV") + commands.count("EPSV"), 0u) << "no data connection";
}

TEST(ContentRangeTest, TheTotalIsReadOnlyWhenItIsANumber)
{
    EXPECT_EQ(ParseContentRangeTotal("bytes 0-0/1234"), std::optional<std::uint64_t>(1234));
    EXPECT_EQ(ParseContentRangeTotal("bytes */0"), std::optional<std::uint64_t>(0));
    EXPECT_EQ(ParseContentRangeTotal("bytes 0-0/18446744073709551615"), std::optional<std::uint64_t>(UINT64_MAX));
    EXPECT_FALSE(ParseContentRangeTotal("bytes 0-0/*"));
    EXPECT_FALSE(ParseContentRangeTotal("bytes 0-0/18446744073709551616")) << "past 64 bits";
    EXPECT_FALSE(ParseContentRangeTotal("bytes 0-0/12x"));
    EXPECT_FALSE(ParseContentRangeTotal("bytes 0-0"));
    EXPECT_FALSE(ParseContentRangeTotal("bytes 0-0/"));
}

// A round over many files on two hosts: every file is told once, at most
// two connections go to a host, and the thread limit holds.
TEST_F(CheckWorldTest, ARoundOpensAtMostTwoConnectionsToAHostWithinTheThreadLimit)
{
    for (int i = 0; i < 8; ++i)
        Put("/pub/f" + std::to_string(i) + ".bin", 100 + i);
    test::NginxServer nginx(tree.Path(), {.logConnections = true});
    test::FtpTestServer ftp(tree.Path());
    ASSERT_TRUE(nginx.IsRunning() && ftp.IsRunning());
    auto queue = std::make_shared<MessageQueue>();
    ThreadBudget budget;
    budget.SetLimit(3);
    CheckRun run(budget, queue);
    run.SetLimits(QuickLimits());
    std::vector<FileToCheck> files;
    for (int i = 0; i < 8; ++i) {
        files.push_back({.key = static_cast<std::uint64_t>(i),
                         .url = nginx.Url("/pub/f" + std::to_string(i) + ".bin"),
                         .host = "127.0.0.1"});
        FileToCheck onFtp = Anonymous(ftp.Url("/pub/f" + std::to_string(i) + ".bin"));
        onFtp.key = static_cast<std::uint64_t>(100 + i);
        onFtp.host = "ftp-host";
        files.push_back(onFtp);
    }
    run.Start(files);
    std::map<std::uint64_t, FileCheck> checked;
    int mostThreads = run.GetActiveThreads();
    test::WaitFor(
        [&] {
            while (std::optional<Message> message = queue->WaitTake(std::chrono::milliseconds(50))) {
                if (message->id == kMsgFileChecked) {
                    if (auto file = run.TakeChecked(*message))
                        checked[file->key] = file->check;
                } else if (message->id == kMsgCheckLaneDone) {
                    run.OnLaneDone(*message);
                }
                mostThreads = std::max(mostThreads, run.GetActiveThreads());
            }
            return !run.IsRunning();
        },
        std::chrono::seconds(30));
    EXPECT_FALSE(run.IsRunning());
    ASSERT_EQ(checked.size(), 16u);
    EXPECT_EQ(run.GetChecked(), 16);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(checked[i].size, std::optional<std::uint64_t>(100 + i));
        EXPECT_EQ(checked[100 + i].size, std::optional<std::uint64_t>(100 + i)) << checked[100 + i].reason;
    }
    EXPECT_LE(mostThreads, 3);
    EXPECT_EQ(budget.GetUsed(), 0) << "every thread given back";
    std::set<std::string> connections;
    for (const std::string& line : nginx.AccessLog())
        connections.insert(line.substr(0, line.find(' ')));
    EXPECT_GE(connections.size(), 1u);
    EXPECT_LE(connections.size(), 2u) << "at most two connections to a host";
    std::size_t logins = 0;
    for (const std::string& line : ftp.Commands())
        logins += line.starts_with("USER") ? 1 : 0;
    EXPECT_LE(logins, 2u) << "one login per connection";
}

} // namespace
} // namespace velmora
