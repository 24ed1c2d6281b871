// Reading the result URLs of JSON answers as the services document them,
// and answers that are broken or hostile.

#include "search/json-answer.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

std::vector<std::string> Urls(std::string_view json, std::string_view path, std::size_t most = 1000)
{
    const JsonAnswer answer = ReadJsonAnswer(json, *ParseResultsPath(path), most);
    EXPECT_TRUE(answer.read) << answer.error;
    std::vector<std::string> urls;
    for (const AnswerLink& link : answer.links)
        urls.push_back(link.url + (link.title.empty() ? "" : " | " + link.title));
    return urls;
}

using Texts = std::vector<std::string>;

TEST(ResultsPathTest, PathsAreMembersEachElementsAndIndexes)
{
    const auto path = ParseResultsPath("channels[0].items[].link");
    ASSERT_TRUE(path);
    using Kind = ResultsPath::Step::Kind;
    ASSERT_EQ(path->steps.size(), 5u);
    EXPECT_EQ(path->steps[0].name, "channels");
    EXPECT_EQ(path->steps[1].kind, Kind::Index);
    EXPECT_EQ(path->steps[1].index, 0u);
    EXPECT_EQ(path->steps[3].kind, Kind::Each);
    EXPECT_EQ(path->steps[4].name, "link");
    EXPECT_TRUE(ParseResultsPath("[].url"));
    EXPECT_TRUE(ParseResultsPath("a[][2]"));
    EXPECT_TRUE(ParseResultsPath("urls[]"));
    for (const char* bad : {"", ".", "a.", ".a", "a..b", "a[", "a[x]", "a]", "a[-1]", "a[1234567890]", "a[]b"})
        EXPECT_FALSE(ParseResultsPath(bad)) << bad;
}

TEST(JsonAnswerTest, EachServiceShapeGivesItsResultsInOrderWithTheirTitles)
{
    // SearXNG's format=json.
    EXPECT_EQ(Urls(R"({"query":"q","results":[{"url":"http://a/1.iso","title":"One","parsed_url":["http","a"]},
                      {"title":"Two","engines":["x"],"url":"http://a/2.iso"}],"answers":[],"infoboxes":[{"url":"http://i/x.iso"}]})",
                   "results[].url"),
              (Texts{"http://a/1.iso | One", "http://a/2.iso | Two"}));
    // Brave: a profile URL inside each result is not the result's.
    EXPECT_EQ(
        Urls(R"({"type":"search","web":{"results":[{"title":"B","url":"http://b/1.zip","profile":{"url":"http://p/"}}]},
                      "mixed":{"main":[{"type":"web"}]}})",
             "web.results[].url"),
        (Texts{"http://b/1.zip | B"}));
    // YaCy: only the first channel's items; the channel's own link is none.
    EXPECT_EQ(
        Urls(
            R"({"channels":[{"link":"http://y/","items":[{"link":"http://y/1.pdf","title":"Y1"},{"link":"http://y/2.pdf"}]},
                      {"items":[{"link":"http://y/other.pdf"}]}]})",
            "channels[0].items[].link"),
        (Texts{"http://y/1.pdf | Y1", "http://y/2.pdf"}));
    // Mojeek.
    EXPECT_EQ(
        Urls(
            R"({"response":{"status":"OK","head":{"start":1},"results":[{"url":"http://m/1.mp3","title":"M","desc":"d"}]}})",
            "response.results[].url"),
        (Texts{"http://m/1.mp3 | M"}));
    EXPECT_EQ(Urls(R"(["http://t/1.iso",7,"http://t/2.iso"])", "[]"), (Texts{"http://t/1.iso", "http://t/2.iso"}));
    EXPECT_EQ(Urls(R"({"a":[[{"u":"x"}],[{"u":"y"},{"u":"z"}]]})", "a[1][].u"), (Texts{"y", "z"}));
}

TEST(JsonAnswerTest, WhatIsNotAtThePathIsNoResult)
{
    EXPECT_EQ(Urls(R"({"results":[{"url":5},{"url":null},{"url":{"href":"http://n/x.iso"}},{"url":["http://n/y.iso"]},
                      {"link":"http://n/z.iso"},"http://n/w.iso"]})",
                   "results[].url"),
              Texts{});
    EXPECT_EQ(Urls(R"({"error":"quota exceeded"})", "results[].url"), Texts{});
    EXPECT_EQ(Urls(R"({"results":{"url":"http://n/not-an-array.iso"}})", "results[].url"), Texts{});
    EXPECT_EQ(Urls(R"({"results":[{"url":"http://n/1.iso","url":"http://n/2.iso","title":"T","title":"U"}]})",
                   "results[].url"),
              (Texts{"http://n/2.iso | U"}))
        << "a repeated member: the last one, as most readers take it";
    EXPECT_EQ(Urls("\xEF\xBB\xBF{\"results\":[{\"url\":\"http://bom/1.iso\"}]}", "results[].url"),
              (Texts{"http://bom/1.iso"}));
}

TEST(JsonAnswerTest, BrokenDeepAndHugeAnswersAreBounded)
{
    const ResultsPath path = *ParseResultsPath("results[].url");
    for (const std::string broken : {"", "{", "{\"results\":[{\"url\":\"http://c/1.iso\"}", "<html>captcha</html>",
                                     "{\"results\":[]} trailing", "{\"results\":[\"\\ud800\"]}"}) {
        const JsonAnswer answer = ReadJsonAnswer(broken, path, 100);
        EXPECT_FALSE(answer.read) << broken;
        EXPECT_NE(answer.error.find("not JSON"), std::string::npos) << answer.error;
    }
    const std::string deep = std::string(1000000, '[') + std::string(1000000, ']');
    const JsonAnswer tooDeep = ReadJsonAnswer(deep, path, 100);
    EXPECT_FALSE(tooDeep.read);
    EXPECT_EQ(tooDeep.error, "The answer is nested deeper than 64 levels.");
    std::string nested =
        "{\"results\":[{\"url\":\"http://d/1.iso\",\"x\":" + std::string(61, '[') + std::string(61, ']') + "}]}";
    EXPECT_EQ(Urls(nested, "results[].url"), (Texts{"http://d/1.iso"})) << "64 levels in all are read";
    std::string many = "{\"results\":[";
    for (int i = 0; i < 50; ++i)
        many += std::string(i ? "," : "") + "{\"url\":\"http://m/" + std::to_string(i) + ".iso\"}";
    many += "]}";
    EXPECT_EQ(Urls(many, "results[].url", 7).size(), 7u) << "no more than asked";
}

} // namespace
} // namespace velmora
