// The update service's CGI script, run as a web server runs it.

#include <gtest/gtest.h>

#include <cstdio>

#include "search/engine-list.h"
#include "settings/date-stamp.h"
#include "settings/profile-file.h"
#include "settings/profile-store.h"
#include "test-support.h"
#include "upgrade/update-request.h"
#include "upgrade/upgrade-offer.h"

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
    EXPECT_EQ(SplitNulList(ProfileSnapshot(answer).GetSectionNames(8000)),
              (std::vector<std::string>{"lftp", "ncftp", "FileZilla"}));
    EXPECT_EQ(ProfileSnapshot(answer).GetString("lftp", "Script", "", 5120),
              "open -u %u,%p -p %o %h\\n[lcd %l\\nget \"%r%f\"\\n]bye");
    EXPECT_EQ(ProfileSnapshot(answer).GetInt("lftp", "Date", 0), 7122026);
}

TEST(UpdateServiceTest, TheStarterCatalogueIsAListOfEnginesANewFolderCanSearch)
{
    test::TempDir dir;
    std::filesystem::copy_file(std::string(SERVICE_DIR) + "/answers/engines.ini", dir.File("settings.dat"));
    EngineList engines(dir.File("settings.dat"));
    engines.LoadEngines();
    ASSERT_GE(engines.GetCount(), 5u);
    std::vector<std::string> ticked;
    for (std::size_t i = 0; i < engines.GetCount(); ++i) {
        const EngineItem& engine = *engines.GetEngineItem(i);
        const std::string query = engines.BuildQueryUrl(engine, "manual+pdf");
        // Only a server of the user's own is asked without TLS.
        EXPECT_TRUE(query.starts_with("https://") || query.starts_with("http://localhost:")) << engine.name;
        const EngineSource source = engines.GetSource(engine);
        const std::string problem = CheckSource(source).Why();
        EXPECT_TRUE(problem.empty() || (problem.find("needs its API key") != std::string::npos && !engine.checked))
            << engine.name << ": " << problem;
        EXPECT_NE(query.find("manual+pdf"), std::string::npos) << engine.name;
        EXPECT_TRUE(ParseDateStamp(ProfileSnapshot(dir.File("settings.dat")).GetString(engine.name, "Date", "", 64)))
            << engine.name;
        if (engine.checked)
            ticked.push_back(engine.name);
    }
    EXPECT_EQ(ticked, (std::vector<std::string>{"Mojeek", "FindFiles"}))
        << "engines that often block, or that need setting up, start unticked";
    EXPECT_EQ(ReadEngineOffer(dir.File("settings.dat"), dir.File("other.dat")).size(), engines.GetCount());
}

} // namespace
} // namespace velmora
