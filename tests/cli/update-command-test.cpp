// velmora-cli update against an update service on 127.0.0.1.

#include <sys/wait.h>

#include <gtest/gtest.h>

#include "settings/profile-store.h"
#include "support/page-server.h"
#include "test-support.h"

namespace velmora {
namespace {

using test::PageBehavior;

class UpdateCommandTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::PageServer service;
    const std::string object = "/~orlund/cgi-bin/updates/update.cgi?velmora_";

    int Run(const std::string& arguments, std::string& out)
    {
        const std::string command = "cd '" + dir.Path() +
                                    "' && VELMORA_UPDATE_HOST=127.0.0.1:" + std::to_string(service.Port()) + " " +
                                    VELMORA_CLI_PATH + " " + arguments + " 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        char buffer[4096];
        std::size_t n = 0;
        while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        const int status = pipe ? ::pclose(pipe) : -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(UpdateCommandTest, VersionListsTheLocationsInDialogOrder)
{
    service.Route(object + "version",
                  {PageBehavior::Kind::Serve,
                   "[Version]\nMajor=2\nMinor=2\nBuild=1\n[Download]\nCount=2\n"
                   "Location1=b-mirror\nLocation2=a-mirror\nURL0=http://a/v.tgz\nURL1=http://b/v.tgz\n"});
    std::string out;
    EXPECT_EQ(Run("update version --json", out), 0);
    EXPECT_EQ(out, "{\"newer\":true,\"major\":2,\"minor\":2,\"build\":1,\"locations\":[{\"label\":\"a-mirror\","
                   "\"url\":\"http://a/v.tgz\"},{\"label\":\"b-mirror\",\"url\":\"http://b/v.tgz\"}]}\n");
    EXPECT_EQ(test::ReadFile(dir.File("update.tmp")).find("\r\n"), 9u) << "the answer file has CR LF lines";
}

TEST_F(UpdateCommandTest, EnginesAreOfferedAndMergedAsTheDialogDoes)
{
    service.Route(object + "engines", {PageBehavior::Kind::Serve,
                                       "[Beta]\nQuery=http://b/?q=%s\nDate= 8122026\n[Alpha]\nQuery=http://a/?q=%s\n"
                                       "Date= 1122026\n"});
    test::WriteFile(dir.File("settings.dat"), "[Alpha]\nQuery=old\nDate= 6122026\n");
    std::string out;
    EXPECT_EQ(Run("update engines --json --merge-preselected", out), 0);
    EXPECT_EQ(out, "{\"engine\":\"Alpha\",\"preselected\":false}\n{\"engine\":\"Beta\",\"preselected\":true}\n");
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetString("Beta", "Query", "", 1024), "http://b/?q=%s");
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetString("Alpha", "Query", "", 1024), "old");
    out.clear();
    EXPECT_EQ(Run("update engines --merge Alpha Nowhere", out), 0);
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetString("Alpha", "Query", "", 1024), "http://a/?q=%s");
    EXPECT_EQ(test::ReadFile(dir.File("settings.dat")).find("Nowhere"), std::string::npos);
}

TEST_F(UpdateCommandTest, ClientsAlreadyThereAreNotOfferedAndAFailureSaysSo)
{
    service.Route(object + "clients", {PageBehavior::Kind::Serve, "[lftp]\nPath=lftp\n[ncftp]\nPath=ncftpget\n"});
    test::WriteFile(dir.File("clients.dat"), "[lftp]\nPath=/usr/bin/lftp\n");
    std::string out;
    EXPECT_EQ(Run("update clients --json --merge ncftp", out), 0);
    EXPECT_EQ(out, "{\"client\":\"ncftp\"}\n");
    EXPECT_EQ(ProfileSnapshot(dir.File("clients.dat")).GetString("ncftp", "Path", "", 256), "ncftpget");
    out.clear();
    EXPECT_EQ(Run("update version", out), 1) << "404";
    EXPECT_EQ(Run("update nothing", out), 2);
}

TEST_F(UpdateCommandTest, CrLfAnswersMergeAndAMergeThatFailsExitsOne)
{
    service.Route(object + "engines", {PageBehavior::Kind::Serve, "[Gamma]\r\nQuery=http://g/?q=%s\r\nDate=1\r\n"});
    std::string out;
    EXPECT_EQ(Run("update engines --merge Gamma", out), 0);
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetString("Gamma", "Query", "", 1024), "http://g/?q=%s");
    std::filesystem::remove(dir.File("settings.dat"));
    std::filesystem::create_directory(dir.File("settings.dat"));
    EXPECT_EQ(Run("update engines --merge Gamma", out), 1) << "settings.dat cannot be replaced";
}

} // namespace
} // namespace velmora
