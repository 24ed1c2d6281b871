// The update service's CGI script, run as a web server runs it.

#include <gtest/gtest.h>

#include <cstdio>

#include "settings/profile-file.h"
#include "settings/profile-store.h"
#include "test-support.h"
#include "upgrade/update-request.h"

namespace velmora {
namespace {

std::string RunCgi(const std::string& query)
{
    const std::string command = "QUERY_STRING='" + query + "' sh '" + SERVICE_DIR + "/update.cgi'";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    std::size_t n = 0;
    while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    if (pipe)
        ::pclose(pipe);
    return out;
}

TEST(UpdateServiceTest, EachQueryGetsItsAnswerFile)
{
    const std::string version = RunCgi("velmora_version");
    ASSERT_EQ(version.rfind("Content-Type: text/plain\r\n", 0), 0u);
    const std::string body = version.substr(version.find("\r\n\r\n") + 4);
    EXPECT_EQ(body, test::ReadFile(std::string(SERVICE_DIR) + "/answers/version.ini"));
    EXPECT_NE(RunCgi("velmora_clients").find("[lftp]"), std::string::npos);
    EXPECT_NE(RunCgi("velmora_engines").find("Content-Type"), std::string::npos);
    EXPECT_EQ(RunCgi("other").rfind("Status: 404", 0), 0u);
}

TEST(UpdateServiceTest, TheClientsAnswerReadsAsClientSections)
{
    test::TempDir dir;
    const std::string answer = dir.File("update.tmp");
    test::WriteFile(answer, ToAnswerFileText(test::ReadFile(std::string(SERVICE_DIR) + "/answers/clients.ini")));
    EXPECT_EQ(SplitNulList(GetPrivateProfileSectionNamesA(8000, answer)),
              (std::vector<std::string>{"lftp", "ncftp", "FileZilla"}));
    EXPECT_EQ(GetPrivateProfileStringA("lftp", "Script", "", 5120, answer),
              "open -u %u,%p -p %o %h\\n[lcd %l\\nget \"%r%f\"\\n]bye");
    EXPECT_EQ(GetPrivateProfileIntA("lftp", "Date", 0, answer), 7122026);
}

} // namespace
} // namespace velmora
