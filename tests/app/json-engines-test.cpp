// Engines that answer JSON, engines asked for several pages, and API keys:
// a search over local servers that answer as each service documents.

#include <algorithm>
#include <array>
#include <map>

#include "results/result-actions.h"
#include "search/engine-hold.h"
#include "session-fixture.h"
#include "support/engine-world.h"

namespace velmora {
namespace {

using test::EngineWorld;
using test::PageBehavior;

class JsonEnginesTest : public test::SessionTest {
protected:
    EngineWorld world{server};

    void OpenWorld(int pages, const std::string& extraKeys = "")
    {
        std::vector<Engine> engines;
        for (const EngineWorld::Engine& engine : EngineWorld::Engines(pages))
            engines.push_back({engine.name, engine.path, true, engine.keys + extraKeys});
        Open(engines, "Maxthreads=3\nFilter=0\n");
    }

    // The URLs the search took, by the engine that brought them, in order.
    std::map<std::string, std::vector<std::string>> ResultsByEngine()
    {
        std::map<std::string, std::vector<std::string>> taken;
        const ResultList& results = session->GetResults();
        for (std::size_t i = results.GetCount(); i-- > 0;) {
            const ResultEntry entry = results.GetNewest(i);
            std::string url = BuildResultUrl(entry);
            // The anonymous login the intake gives an ftp link.
            if (const auto login = url.find("anonymous:velmora@example.org@"); login != std::string::npos)
                url.erase(login, 30);
            taken[session->GetEngines().FindItem(entry.engineItem)->name].push_back(url);
        }
        return taken;
    }

    const EngineReport& ReportOf(const std::string& engine)
    {
        for (std::size_t i = 0; i < observer.engineReports.size(); ++i) {
            if (observer.engineReports[i].starts_with(engine + ":"))
                return observer.reports[i];
        }
        throw std::runtime_error("no report of " + engine);
    }

    std::vector<std::string> HeadsOf(const std::string& prefix)
    {
        std::vector<std::string> heads;
        for (const std::string& head : server.RequestHeads()) {
            if (head.find(" " + prefix) != std::string::npos)
                heads.push_back(head);
        }
        return heads;
    }
};

std::vector<std::string> Sorted(std::vector<std::string> texts)
{
    std::sort(texts.begin(), texts.end());
    return texts;
}

TEST_F(JsonEnginesTest, EveryFileOfEveryPageAskedAndNothingElse)
{
    OpenWorld(2);
    ASSERT_TRUE(RunToEnd("linux iso"));
    const auto taken = ResultsByEngine();
    const std::map<std::string, std::string> engines{{"SearXNG", "searxng"},   {"Marginalia", "marginalia"},
                                                     {"Mojeek API", "mojeek"}, {"Brave API", "brave"},
                                                     {"YaCy", "yacy"},         {"Paged", "paged"}};
    for (const auto& [name, host] : engines) {
        ASSERT_TRUE(taken.contains(name)) << name;
        EXPECT_EQ(Sorted(taken.at(name)), Sorted(EngineWorld::FilesOf(host, 2)))
            << name << ": the files of pages 1 and 2, no web page, no profile or channel link";
        const EngineReport& report = ReportOf(name);
        EXPECT_EQ(HealthName(report.health), std::string("links")) << name << ": " << report.reason;
        EXPECT_EQ(report.pages, 2) << name;
        EXPECT_EQ(report.links, 6) << name;
        EXPECT_EQ(report.anchors, name == "Paged" ? 12 : 10) << name << ": every result URL (every href) counts";
    }
    EXPECT_EQ(session->GetResultCount(), 36);
    // Each page in the parameter its engine reads.
    EXPECT_EQ(HeadsOf("/searxng/").size(), 2u);
    EXPECT_NE(HeadsOf("/searxng/search?q=linux+iso&format=json&pageno=2 ").size(), 0u);
    EXPECT_NE(HeadsOf("/mojeek/search?q=linux+iso&api_key=mojeek%26secret%3D9&fmt=json&s=5&t=4 ").size(), 0u);
    EXPECT_NE(HeadsOf("/brave/res/v1/web/search?q=linux+iso&count=4&offset=1 ").size(), 0u);
    EXPECT_NE(HeadsOf("/yacy/yacysearch.json?query=linux+iso&maximumRecords=4&startRecord=4 ").size(), 0u);
    EXPECT_NE(HeadsOf("/paged/search?q=linux+iso&start=4 ").size(), 0u);
    EXPECT_NE(HeadsOf("/marginalia/search?query=linux+iso&count=4&page=2 ").size(), 0u);
}

TEST_F(JsonEnginesTest, PagingEndsAtAPageThatBringsNothingNew)
{
    OpenWorld(8);
    ASSERT_TRUE(RunToEnd("x"));
    for (const EngineWorld::Engine& engine : EngineWorld::Engines(8)) {
        const EngineReport& report = ReportOf(engine.name);
        // Three pages of results, then an empty page (or the last again).
        EXPECT_EQ(report.pages, 4) << engine.name;
        EXPECT_EQ(report.pagesAsked, 8) << engine.name;
        EXPECT_EQ(report.links, 9) << engine.name;
        EXPECT_NE(report.reason.find("Scanned 4 pages: 9 file links."), std::string::npos) << report.reason;
    }
    EXPECT_EQ(server.Requests(), 6 * 4) << "no page past the first that brought nothing new";
    EXPECT_EQ(session->GetResultCount(), 6 * 9) << "the HTML engine's repeated page adds nothing";
}

TEST_F(JsonEnginesTest, TheKeyReachesOnlyItsEngineInThePlaceItsSettingsSay)
{
    OpenWorld(1);
    ASSERT_TRUE(RunToEnd("x"));
    for (const std::string& head : server.RequestHeads()) {
        const bool brave = head.find(" /brave/") != std::string::npos;
        const bool mojeek = head.find(" /mojeek/") != std::string::npos;
        const bool marginalia = head.find(" /marginalia/") != std::string::npos;
        EXPECT_EQ(test::RequestHeader(head, "X-Subscription-Token"), brave ? EngineWorld::kBraveKey : "");
        EXPECT_EQ(head.find(EngineWorld::kBraveKey) != std::string::npos, brave) << head;
        EXPECT_EQ(head.find("mojeek%26secret%3D9") != std::string::npos, mojeek) << head;
        EXPECT_EQ(head.find("secret=9"), std::string::npos) << "the key is percent-encoded in a query: " << head;
        EXPECT_EQ(test::RequestHeader(head, "API-Key"), marginalia ? "public" : "");
        EXPECT_NE(head.find("User-Agent: Velmora/"), std::string::npos) << "an honest agent";
    }
    for (const EngineReport& report : observer.reports) {
        EXPECT_EQ(report.reason.find("secret"), std::string::npos);
        EXPECT_EQ(report.reason.find("k3y"), std::string::npos);
    }
}

TEST_F(JsonEnginesTest, RefusedKeysAreToldWithoutTheKey)
{
    std::vector<Engine> engines;
    for (EngineWorld::Engine engine : EngineWorld::Engines(2)) {
        // Keys the world does not take; SearXNG without format=json.
        for (const std::string& key :
             std::vector<std::string>{EngineWorld::kBraveKey, EngineWorld::kMojeekKey, "public"}) {
            if (const auto at = engine.keys.find("Key=" + key); at != std::string::npos)
                engine.keys.replace(at + 4, key.size(), "wrong-" + key + "-old");
        }
        if (engine.name == "SearXNG")
            engine.path = "/searxng/search?q=%s&pageno=%n";
        engines.push_back({engine.name, engine.path, true, engine.keys});
    }
    Open(engines, "Maxthreads=6\nFilter=0\n");
    ASSERT_TRUE(RunToEnd("x"));
    for (const std::string name : {"Marginalia", "Mojeek API", "Brave API"}) {
        const EngineReport& report = ReportOf(name);
        EXPECT_EQ(HealthName(report.health), std::string("key-refused")) << name;
        EXPECT_FALSE(report.scanned);
        EXPECT_NE(report.reason.find("refused the API key"), std::string::npos) << report.reason;
        EXPECT_EQ(report.reason.find("wrong-"), std::string::npos) << report.reason;
        EXPECT_EQ(report.pages, 1) << name << ": no second page after a refusal";
    }
    EXPECT_EQ(HealthName(ReportOf("SearXNG").health), std::string("blocked")) << "a 403 without a key";
    EXPECT_NE(ReportOf("SearXNG").reason.find("add json to the formats of its settings.yml"), std::string::npos)
        << ReportOf("SearXNG").reason;
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(Mark(i), kStateFailure) << i;
    EXPECT_EQ(HealthName(ReportOf("YaCy").health), std::string("links"));
}

TEST_F(JsonEnginesTest, BrokenAnswersFailTheirEngineAlone)
{
    server.Route("/cut", {PageBehavior::Kind::Serve, "{\"results\":[{\"url\":\"http://h.org/a.iso\""});
    server.Route("/empty", {PageBehavior::Kind::Serve, ""});
    server.Route("/deep", {PageBehavior::Kind::Serve, std::string(200000, '[') + std::string(200000, ']')});
    server.Route("/captcha", {PageBehavior::Kind::Serve, "<html><form id=\"challenge-form\">captcha</form></html>"});
    server.Route("/none", {PageBehavior::Kind::Serve, "{\"results\":[]}"});
    server.Route("/other", {PageBehavior::Kind::Serve, "{\"error\":\"quota\",\"url\":\"http://h.org/b.iso\"}"});
    server.Route("/slow", {PageBehavior::Kind::Serve, "{}", 429, {}, 0, false, "Retry-After: 120\r\n"});
    server.Route("/hostile",
                 {PageBehavior::Kind::Serve, "{\"results\":[{\"url\":\"http://h.org/a\\r\\nb.iso\"},{\"url\":5},"
                                             "{\"url\":\"http://h.org/k/abcd-secret.iso\"},"
                                             "{\"url\":\"javascript:alert(1)//x.iso\"},"
                                             "{\"url\":\"http://h.org/good.iso\",\"title\":\"<b>Good</b>\"}]}"});
    std::vector<Engine> engines;
    for (const std::string path : {"/cut", "/empty", "/deep", "/captcha", "/none", "/other", "/slow"})
        engines.push_back({path.substr(1), path + "?q=%s", true, "Format=json\n"});
    engines.push_back({"hostile", "/hostile?q=%s", true, "Format=json\nKey=abcd-secret\n"});
    Open(engines, "Maxthreads=1\nFilter=0\n");
    ASSERT_TRUE(RunToEnd("x"));
    const std::vector<std::pair<std::string, std::string>> expected{
        {"cut", "bad-answer"},     {"empty", "bad-answer"},    {"deep", "bad-answer"}, {"captcha", "challenge"},
        {"none", "no-file-links"}, {"other", "no-file-links"}, {"slow", "blocked"},    {"hostile", "links"}};
    for (const auto& [engine, health] : expected)
        EXPECT_EQ(HealthName(ReportOf(engine).health), health) << engine << ": " << ReportOf(engine).reason;
    EXPECT_NE(ReportOf("deep").reason.find("nested deeper than 64 levels"), std::string::npos);
    EXPECT_NE(ReportOf("cut").reason.find("not JSON"), std::string::npos);
    EXPECT_GT(ReadHold(dir.File("settings.dat"), "slow").until, 0) << "a 429 is held as an HTML engine's is";
    ASSERT_EQ(session->GetResultCount(), 1) << "only the good link; none of a broken answer";
    EXPECT_EQ(BuildResultUrl(session->GetResults().GetNewest(0)), "http://h.org/good.iso");
    EXPECT_EQ(session->GetResults().GetNewest(0).description, "Good");
    EXPECT_EQ(ReportOf("hostile").anchors, 4) << "a URL that is no string is no result";
}

// The catalogue's JSON engines, their hosts turned to the world's and their
// keys filled in, ask in the way each service documents and read its answer.
TEST_F(JsonEnginesTest, TheCataloguesJsonEnginesAskAndReadAsTheirServicesDocument)
{
    std::string catalogue = test::ReadFile(std::string(SERVICE_DIR) + "/answers/engines.ini");
    const std::vector<std::array<std::string, 3>> hosts{
        {"[SearXNG (your instance)]", "http://localhost:8888/", "/searxng/"},
        {"[Marginalia API]", "https://api2.marginalia-search.com/", "/marginalia/"},
        {"[Mojeek API]", "https://www.mojeek.com/", "/mojeek/"},
        {"[Brave Search API]", "https://api.search.brave.com/", "/brave/"},
        {"[YaCy (local peer)]", "http://localhost:8090/", "/yacy/"}};
    for (const auto& [section, host, path] : hosts) {
        const auto at = catalogue.find("Query=" + host, catalogue.find(section));
        ASSERT_NE(at, std::string::npos) << section;
        catalogue.replace(at + 6, host.size(), server.Url(path));
    }
    for (const auto& [engine, key] : std::vector<std::pair<std::string, std::string>>{
             {"[Mojeek API]", EngineWorld::kMojeekKey}, {"[Brave Search API]", EngineWorld::kBraveKey}}) {
        const auto keyAt = catalogue.find("Key=\n", catalogue.find(engine));
        ASSERT_NE(keyAt, std::string::npos) << engine;
        catalogue.insert(keyAt + 4, key);
    }
    Open({}, "Maxthreads=5\nFilter=0\n");
    test::WriteFile(dir.File("settings.dat"), test::ReadFile(dir.File("settings.dat")) + catalogue);
    session->GetEngines().ReloadEngines();
    EngineList& engines = session->GetEngines();
    std::vector<std::string> json;
    for (std::size_t i = 0; i < engines.GetCount(); ++i) {
        const bool isJson = engines.GetSource(*engines.GetEngineItem(i)).format == AnswerFormat::Json;
        engines.SetCheck(i, isJson);
        if (isJson)
            json.push_back(engines.GetEngineItem(i)->name);
    }
    ASSERT_EQ(json.size(), 5u);
    ASSERT_TRUE(RunToEnd("x"));
    EXPECT_EQ(server.Requests(), 10) << "two pages each, no request to any other engine";
    for (const std::string& name : json) {
        const EngineReport& report = ReportOf(name);
        EXPECT_EQ(HealthName(report.health), std::string("links")) << name << ": " << report.reason;
        EXPECT_EQ(report.pages, 2) << name;
        EXPECT_EQ(report.links, 6) << name;
    }
}

TEST_F(JsonEnginesTest, AnEngineWithAKeyIsFollowedOnlyWithinItsOwnSite)
{
    test::PageServer elsewhere;
    elsewhere.Route("/", {PageBehavior::Kind::Serve, "{\"results\":[{\"url\":\"http://h.org/x.iso\"}]}"});
    server.Route("/moved",
                 {PageBehavior::Kind::Serve, "", 302, {}, 0, false, "Location: " + elsewhere.Url("/api?q=x") + "\r\n"});
    server.Route("/here", {PageBehavior::Kind::Serve, "", 301, {}, 0, false, "Location: /searxng/?format=json\r\n"});
    server.Route("/choices", {PageBehavior::Kind::Serve, test::Anchor("http://h.org/choice.iso"), 300});
    Open({{"Moved", "/moved?q=%s", true, "Format=json\nKey=k-123456\nHeader=X-Token: %k\n"},
          {"Choices", "/choices?q=%s"},
          {"Here", "/here?q=%s", true, "Format=json\nKey=k-123456\nHeader=X-Token: %k\n"}},
         "Maxthreads=1\nFilter=0\n");
    ASSERT_TRUE(RunToEnd("x"));
    EXPECT_EQ(elsewhere.Requests(), 0) << "the key's header never reaches another site";
    EXPECT_EQ(HealthName(ReportOf("Moved").health), std::string("http-error"));
    EXPECT_NE(ReportOf("Moved").reason.find("another site"), std::string::npos) << ReportOf("Moved").reason;
    EXPECT_EQ(HealthName(ReportOf("Here").health), std::string("links")) << ReportOf("Here").reason;
    EXPECT_EQ(HealthName(ReportOf("Choices").health), std::string("links"))
        << "an engine without a key: a final 300 is read as the page it is";
}

TEST_F(JsonEnginesTest, AnEngineThatCannotBeAskedAsSetUpIsNotAsked)
{
    Open({{"NoKey", "/brave/?q=%s", true, "Format=json\nHeader=X-Subscription-Token: %k\n"},
          {"BadPath", "/searxng/?q=%s", true, "Format=json\nResults=results[x].url\n"},
          {"BadHeader", "/yacy/?q=%s", true, "Header=Not a name: v\n"}},
         "Filter=0\n");
    ASSERT_TRUE(RunToEnd("x"));
    EXPECT_EQ(server.Requests(), 0);
    for (const std::string name : {"NoKey", "BadPath", "BadHeader"})
        EXPECT_EQ(HealthName(ReportOf(name).health), std::string("not-set-up")) << name;
    EXPECT_NE(ReportOf("NoKey").reason.find("needs its API key"), std::string::npos);
    EXPECT_NE(ReportOf("BadPath").reason.find("results[x].url"), std::string::npos);
}

} // namespace
} // namespace velmora
