#include "support/engine-world.h"

#include <cctype>
#include <functional>

#include "platform/json-text.h"

namespace velmora::test {

namespace {

using Kind = PageBehavior::Kind;

struct Result {
    std::string url;
    std::string title;
};

// Page `page` (from 1) of engine `engine`; empty past the last page.
std::vector<Result> ResultsOf(const std::string& engine, int page)
{
    std::vector<Result> results;
    if (page < 1 || page > EngineWorld::kPagesOfResults)
        return results;
    const std::string k = std::to_string(page);
    for (int i = 1; i <= EngineWorld::kResultsPerPage; ++i) {
        const std::string n = k + "-" + std::to_string(i);
        const std::string url = i % 2 == 1 ? "http://files." + engine + ".example/pub/" + n + ".iso"
                                           : "https://www." + engine + ".example/" + n + ".html";
        results.push_back({url, "Title " + n});
    }
    results.push_back({"ftp://ftp." + engine + ".example/pub/" + k + ".tar.gz", "Archive " + k});
    return results;
}

int Number(const std::string& text, int fallback)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return fallback;
    return std::stoi(text);
}

PageBehavior Json(const std::string& body, int status = 200)
{
    return {Kind::Serve, body, status, {}, 0, false, "Content-Type: application/json\r\n"};
}

// The results as objects with the member names the service uses.
std::string Objects(const std::vector<Result>& results, const std::string& urlName, const std::string& more)
{
    std::string text = "[";
    for (const Result& result : results) {
        if (text.size() > 1)
            text += ",";
        text +=
            "{\"title\":" + JsonString(result.title) + ",\"" + urlName + "\":" + JsonString(result.url) + more + "}";
    }
    return text + "]";
}

// SearXNG answers 403 when json is not among the instance's formats.
PageBehavior SearxngAnswer(const std::string& path, const std::string&)
{
    if (QueryParameter(path, "format") != "json")
        return {Kind::Serve, "<html>403 Forbidden</html>", 403};
    const auto results = ResultsOf("searxng", Number(QueryParameter(path, "pageno"), 1));
    return Json("{\"query\":" + JsonString(QueryParameter(path, "q")) + ",\"number_of_results\":0,\"results\":" +
                Objects(results, "url", ",\"content\":\"\",\"engine\":\"demo\",\"score\":1.0") +
                ",\"answers\":[],\"corrections\":[],\"infoboxes\":[],\"suggestions\":[],\"unresponsive_engines\":[]}");
}

PageBehavior MarginaliaAnswer(const std::string& path, const std::string& head)
{
    if (RequestHeader(head, "API-Key") != "public")
        return Json("{\"error\":\"Invalid API key\"}", 401);
    const auto results = ResultsOf("marginalia", Number(QueryParameter(path, "page"), 1));
    return Json("{\"license\":\"CC-BY-NC-SA 4.0\",\"query\":" + JsonString(QueryParameter(path, "query")) +
                ",\"results\":" + Objects(results, "url", ",\"description\":\"\",\"quality\":-3.5") + "}");
}

// Mojeek: s is the first result from 1, t the results a page.
PageBehavior MojeekAnswer(const std::string& path, const std::string&)
{
    if (QueryParameter(path, "api_key") != EngineWorld::kMojeekKey)
        return Json("{\"response\":{\"status\":\"ERROR: Invalid API key\"}}", 403);
    const int first = Number(QueryParameter(path, "s"), 1);
    const int size = std::max(1, Number(QueryParameter(path, "t"), 10));
    const auto results = ResultsOf("mojeek", (first - 1) / size + 1);
    return Json("{\"response\":{\"status\":\"OK\",\"head\":{\"query\":\"x\",\"start\":" + std::to_string(first) +
                ",\"return\":" + std::to_string(results.size()) +
                "},\"results\":" + Objects(results, "url", ",\"desc\":\"\",\"size\":1234") + "}}");
}

// Brave: offset counts pages from 0; every result names its site's profile
// with a URL of its own, which is no result.
PageBehavior BraveAnswer(const std::string& path, const std::string& head)
{
    if (RequestHeader(head, "X-Subscription-Token") != EngineWorld::kBraveKey)
        return Json("{\"type\":\"ErrorResponse\",\"error\":{\"code\":\"SUBSCRIPTION_TOKEN_INVALID\"}}", 401);
    const auto results = ResultsOf("brave", Number(QueryParameter(path, "offset"), 0) + 1);
    return Json("{\"type\":\"search\",\"query\":{\"original\":\"x\"},\"mixed\":{\"main\":[{\"type\":\"web\","
                "\"index\":0}]},\"web\":{\"type\":\"search\",\"results\":" +
                Objects(results, "url", ",\"profile\":{\"url\":\"https://brave.example/profile.pdf\"}") + "}}");
}

// YaCy: startRecord is the first result from 0; the channel has a link of
// its own.
PageBehavior YacyAnswer(const std::string& path, const std::string&)
{
    const int first = Number(QueryParameter(path, "startRecord"), 0);
    const int size = std::max(1, Number(QueryParameter(path, "maximumRecords"), 10));
    const auto results = ResultsOf("yacy", first / size + 1);
    return Json("{\"channels\":[{\"title\":\"YaCy P2P-Search\",\"link\":\"http://yacy.example/channel.zip\","
                "\"startIndex\":\"" +
                std::to_string(first) + "\",\"items\":" + Objects(results, "link", ",\"sizename\":\"1 kbyte\"") +
                "}]}");
}

// An HTML engine that ignores a page past its last: it shows the last again.
PageBehavior PagedHtmlAnswer(const std::string& path, const std::string&)
{
    const int page = std::min(Number(QueryParameter(path, "start"), 0) / EngineWorld::kResultsPerPage + 1,
                              EngineWorld::kPagesOfResults);
    std::string body = "<html><body><a href=\"/\">Home</a>\n";
    for (const Result& result : ResultsOf("paged", page))
        body += "<a href=\"" + result.url + "\">" + result.title + "</a>\n";
    return {Kind::Serve, body + "</body></html>", 200};
}

int HexValue(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10);
}

std::string PercentDecode(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

} // namespace

std::string QueryParameter(const std::string& path, const std::string& name)
{
    const auto question = path.find('?');
    if (question == std::string::npos)
        return {};
    const std::string query = path.substr(question + 1);
    for (std::size_t at = 0; at <= query.size();) {
        const std::size_t end = std::min(query.find('&', at), query.size());
        const std::string pair = query.substr(at, end - at);
        const auto equals = pair.find('=');
        if (pair.substr(0, equals) == name)
            return equals == std::string::npos ? std::string() : PercentDecode(pair.substr(equals + 1));
        at = end + 1;
    }
    return {};
}

std::string RequestHeader(const std::string& head, const std::string& name)
{
    std::string lowerHead = head;
    std::string lowerName = "\r\n" + name + ":";
    for (std::string* text : {&lowerHead, &lowerName}) {
        for (char& c : *text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const auto at = lowerHead.find(lowerName);
    if (at == std::string::npos)
        return {};
    const auto start = head.find_first_not_of(' ', at + lowerName.size());
    return head.substr(start, head.find("\r\n", start) - start);
}

EngineWorld::EngineWorld(PageServer& pages) : server(pages)
{
    server.Respond("/searxng/", SearxngAnswer);
    server.Respond("/marginalia/", MarginaliaAnswer);
    server.Respond("/mojeek/", MojeekAnswer);
    server.Respond("/brave/", BraveAnswer);
    server.Respond("/yacy/", YacyAnswer);
    server.Respond("/paged/", PagedHtmlAnswer);
}

std::vector<EngineWorld::Engine> EngineWorld::Engines(int pages)
{
    const std::string paged = "Pages=" + std::to_string(pages) + "\n";
    const std::string size = "PageSize=" + std::to_string(kResultsPerPage) + "\n";
    return {
        {"SearXNG", "/searxng/search?q=%s&format=json&pageno=%n", "Format=json\n" + paged},
        {"Marginalia", "/marginalia/search?query=%s&count=4&page=%n",
         "Format=json\nKey=public\nHeader=API-Key: %k\n" + paged},
        {"Mojeek API", "/mojeek/search?q=%s&api_key=%k&fmt=json&s=%O&t=4",
         "Format=json\nResults=response.results[].url\nKey=" + std::string(kMojeekKey) + "\n" + paged + size},
        {"Brave API", "/brave/res/v1/web/search?q=%s&count=4&offset=%z",
         "Format=json\nResults=web.results[].url\nKey=" + std::string(kBraveKey) +
             "\nHeader=X-Subscription-Token: %k\n" + paged},
        {"YaCy", "/yacy/yacysearch.json?query=%s&maximumRecords=4&startRecord=%o",
         "Format=json\nResults=channels[0].items[].link\n" + paged + size},
        {"Paged", "/paged/search?q=%s&start=%o", paged + size},
    };
}

std::string EngineWorld::Sections(int pages) const
{
    std::string text;
    for (const Engine& engine : Engines(pages))
        text += "[" + engine.name + "]\nQuery=" + server.Url(engine.path) + "\n" + engine.keys;
    return text;
}

std::vector<std::string> EngineWorld::FilesOf(const std::string& engine, int pages)
{
    std::vector<std::string> files;
    for (int page = 1; page <= std::min(pages, kPagesOfResults); ++page) {
        for (const Result& result : ResultsOf(engine, page)) {
            if (!result.url.ends_with(".html"))
                files.push_back(result.url);
        }
    }
    return files;
}

} // namespace velmora::test
