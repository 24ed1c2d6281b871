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

} // namespace
} // namespace velmora
