// A search saved, exported for aria2 and lftp, and run by Debian's real
// aria2c and lftp against local servers: each fetches exactly the exported
// files under their own names, and names written to be shell or script
// syntax run nothing.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "export/result-export.h"
#include "platform/url-split.h"
#include "support/ftp-world.h"
#include "support/nginx-world.h"
#include "support/page-server.h"
#include "test-support.h"

namespace velmora {
namespace {

// Files whose names a hostile page would choose: each tries to start
// `touch PWNEDn` in whatever reads the list.
const std::vector<std::string> kHttpNames = {
    "a b \"quoted\" $(touch PWNED1).bin",
    "x';!touch PWNED2;'.bin",
    "back\\slash & | > gt;touch PWNED3.txt",
    "`touch PWNED4`.zip",
    "\xC3\xBC"
    "ber #1 100%.txt",
};
const std::vector<std::string> kFtpNames = {"-o PWNED5.bin", "%41%2e.bin", "!touch PWNED6.txt"};

std::map<std::string, std::string> FilesIn(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != ".program-output")
            files[name] = test::ReadFile(entry.path().string());
    }
    return files;
}

class DownloadProgramsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(web.File("files"));
        std::filesystem::create_directories(ftpRoot.File("pub"));
        std::string page;
        for (const std::string& name : kHttpNames) {
            const std::string content = "http file " + name + "\n";
            test::WriteFile(web.File("files/" + name), content);
            expected[name] = content;
        }
        for (const std::string& name : kFtpNames) {
            const std::string content = "ftp file " + name + "\n" + std::string(70000, 'f');
            test::WriteFile(ftpRoot.File("pub/" + name), content);
            expected[name] = content;
        }
        test::WriteFile(ftpRoot.File("pub/secret.iso"), "joe's file\n");
        expected["secret.iso"] = "joe's file\n";
        ASSERT_TRUE(nginx.IsRunning());
        ASSERT_TRUE(ftp.IsRunning());

        // The result page links each file as an engine would.
        ResultEntry record;
        record.user = kAnonymousUser;
        record.password = kAnonymousPassword;
        record.server = "127.0.0.1";
        for (const std::string& name : kHttpNames) {
            record.service = kServiceHttp;
            record.port = nginx.Port();
            record.path = "/files/" + name;
            page += "<a href=\"" + BuildExportUrl(record) + "\">file</a>\n";
        }
        for (const std::string& name : kFtpNames) {
            record.service = kServiceFtp;
            record.port = ftp.Port();
            record.path = "/pub/" + name;
            page += "<a href=\"" + BuildExportUrl(record) + "\">file</a>\n";
        }
        page += "<a href=\"" + ftp.Url("/pub/secret.iso", "joe:s3cret") + "\">joe</a>\n";
        pages.Route("/search", {test::PageBehavior::Kind::Serve, page});
        test::WriteFile(work.File("settings.dat"),
                        "[Settings]\nFilter=0\nAutoTest=0\n[Local]\nQuery=" + pages.Url("/search?q=%s") + "\n");
    }

    test::ProgramRun Cli(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{VELMORA_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::RunProgram(argv, work.Path(), std::chrono::seconds(60));
    }

    test::TempDir web;
    test::TempDir ftpRoot;
    test::TempDir work;
    test::NginxServer nginx{web.Path()};
    test::FtpTestServer ftp{ftpRoot.Path()};
    test::PageServer pages;
    std::map<std::string, std::string> expected;
};

TEST_F(DownloadProgramsTest, Aria2AndLftpFetchExactlyTheExportedFilesAndRunNothingElse)
{
    const test::ProgramRun search = Cli({"search", "--save", "--json", "--test", "anything"});
    ASSERT_EQ(search.status, 0) << search.output;
    ASSERT_NE(search.output.find("\"results\":9"), std::string::npos) << search.output;
    const test::ProgramRun aria2 = Cli({"export", "--format", "aria2", "--only-good", "-o", "list.aria2"});
    ASSERT_EQ(aria2.status, 0) << aria2.output;
    const test::ProgramRun lftp = Cli({"export", "--format", "lftp", "-o", "get.lftp"});
    ASSERT_EQ(lftp.status, 0) << lftp.output;

    std::filesystem::create_directories(work.File("by-aria2"));
    // aria2 waits out its whole timeout before reusing an FTP connection to
    // pyftpdlib; a fresh one a file keeps the test short.
    const test::ProgramRun aria2c =
        test::RunProgram({"aria2c", "--input-file=" + work.File("list.aria2"), "--dir=" + work.File("by-aria2"),
                          "--quiet=true", "--max-tries=2", "--connect-timeout=5", "--timeout=10",
                          "--allow-overwrite=false", "--auto-file-renaming=false", "--no-netrc=true",
                          "--ftp-reuse-connection=false", "--all-proxy=", "--check-certificate=true"},
                         work.File("by-aria2"), std::chrono::seconds(60));
    EXPECT_EQ(aria2c.status, 0) << aria2c.output;
    EXPECT_EQ(FilesIn(work.File("by-aria2")), expected);

    std::filesystem::create_directories(work.File("by-lftp"));
    const test::ProgramRun lftpRun =
        test::RunProgram({"lftp", "-c",
                          "set net:timeout 10; set net:max-retries 2; set net:reconnect-interval-base 1; "
                          "set ftp:ssl-allow no; source " +
                              work.File("get.lftp")},
                         work.File("by-lftp"), std::chrono::seconds(60));
    EXPECT_EQ(lftpRun.status, 0) << lftpRun.output;
    EXPECT_EQ(FilesIn(work.File("by-lftp")), expected);

    for (const std::string& folder : {work.Path(), web.Path(), ftpRoot.Path()})
        EXPECT_TRUE(test::FilesNamed(folder, "PWNED").empty()) << "a name ran a command in " << folder;
    EXPECT_TRUE(test::FilesNamed(std::filesystem::current_path().string(), "PWNED").empty());
}

TEST_F(DownloadProgramsTest, OnlyGoodLeavesOutServersThatFailedAndNothingLeftIsAFailure)
{
    ASSERT_EQ(Cli({"search", "--save", "anything"}).status, 0);
    // Untested, no server passed.
    const test::ProgramRun none = Cli({"export", "--format", "urls", "--only-good"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("nothing to export"), std::string::npos) << none.output;
    // The same words again find nothing new.
    ASSERT_EQ(Cli({"search", "--save", "--json", "anything"}).status, 0);
    EXPECT_EQ(Cli({"export", "--format", "urls", "--new"}).status, 1);
    const test::ProgramRun all = Cli({"export", "--format", "urls"});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(std::count(all.output.begin(), all.output.end(), '\n'), 9);
}

// One file on two servers, exported as one entry with two URLs: the real
// aria2c takes them as mirrors and fetches parts of the file from each.
TEST(DownloadMirrorsTest, Aria2FetchesOneFileFromBothMirrors)
{
    test::TempDir first;
    test::TempDir second;
    test::TempDir work;
    std::string content;
    for (int i = 0; content.size() < (std::size_t{2} << 20); ++i)
        content += "block " + std::to_string(i) + " of the same disk image\n";
    for (const test::TempDir* web : {&first, &second}) {
        std::filesystem::create_directories(web->File("pub"));
        test::WriteFile(web->File("pub/disk.img"), content);
    }
    // Slow enough that aria2 opens its second connection, to the other
    // mirror, before the first has the whole file.
    test::NginxServer one(first.Path(), {.logConnections = true, .limitRate = "512k"});
    test::NginxServer other(second.Path(), {.logConnections = true, .limitRate = "512k"});
    ASSERT_TRUE(one.IsRunning() && other.IsRunning());

    // Two host names: aria2 counts its connections per host.
    std::vector<ExportItem> items;
    for (const auto& [server, host] : {std::pair{&one, "127.0.0.1"}, std::pair{&other, "localhost"}}) {
        ExportItem item;
        item.record.service = kServiceHttp;
        item.record.server = host;
        item.record.port = server->Port();
        item.record.path = "/pub/disk.img";
        item.record.size = content.size();
        items.push_back(item);
    }
    const ExportText list = FormatExport(ExportFormat::Aria2, items);
    ASSERT_EQ(list.written, 2u);
    ASSERT_NE(list.text.find(one.Url("/pub/disk.img") + "\thttp://localhost:" + std::to_string(other.Port()) +
                             "/pub/disk.img\n  out=disk.img\n"),
              std::string::npos)
        << list.text;
    test::WriteFile(work.File("list.aria2"), list.text);

    std::filesystem::create_directories(work.File("got"));
    const test::ProgramRun aria2c = test::RunProgram(
        {"aria2c", "--input-file=" + work.File("list.aria2"), "--dir=" + work.File("got"), "--quiet=true", "--split=2",
         "--min-split-size=1M", "--max-connection-per-server=1", "--max-tries=2", "--connect-timeout=5", "--timeout=10",
         "--no-netrc=true", "--all-proxy=", "--file-allocation=none"},
        work.File("got"), std::chrono::seconds(60));
    ASSERT_EQ(aria2c.status, 0) << aria2c.output;
    EXPECT_TRUE(test::ReadFile(work.File("got/disk.img")) == content) << "one whole file, not two";
    EXPECT_FALSE(std::filesystem::exists(work.File("got/disk.1.img")));
    // nginx logs a request once its answer is sent.
    const auto asked = [](const test::NginxServer& server) {
        for (const std::string& line : server.AccessLog()) {
            if (line.ends_with("/pub/disk.img"))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(test::WaitFor([&] { return asked(one) && asked(other); }, std::chrono::seconds(5)))
        << "a part from each mirror";
}

} // namespace
} // namespace velmora
