// How an engine's section becomes the requests of a search: page fields,
// the key in the query and in the header, and what is refused.

#include "search/engine-source.h"

#include <gtest/gtest.h>

#include "settings/profile-store.h"
#include "test-support.h"

namespace velmora {
namespace {

EngineSource Source(std::string query, int pageSize = 10, std::string key = {}, std::string header = {})
{
    EngineSource source;
    source.query = std::move(query);
    source.pageSize = pageSize;
    source.key = std::move(key);
    source.header = std::move(header);
    return source;
}

TEST(EngineSourceTest, ASectionGivesItsKeysAndAbsentKeysGiveOnePageOfHtml)
{
    test::TempDir dir;
    const std::string file = dir.File("settings.dat");
    test::WriteFile(file, "[Plain]\nQuery=http://e/?q=%s\n"
                          "[Api]\nQuery=http://a/?q=%s&k=%k\nFormat=JSON\nResults=web.results[].url\n"
                          "Key= s3cret \nHeader=X-Token: %k\nPages=4\nPageSize=20\nAgent=Bot/1\n"
                          "[Wild]\nFormat=xml\nPages=99\nPageSize=-3\nResults=\n");
    const ProfileSnapshot settings(file);
    const EngineSource plain = ReadEngineSource(settings, "Plain");
    EXPECT_EQ(plain.format, AnswerFormat::Html);
    EXPECT_EQ(plain.pages, 1);
    EXPECT_EQ(plain.resultsPath, "results[].url");
    EXPECT_TRUE(plain.key.empty());
    const EngineSource api = ReadEngineSource(settings, "Api");
    EXPECT_EQ(api.format, AnswerFormat::Json);
    EXPECT_EQ(api.resultsPath, "web.results[].url");
    EXPECT_EQ(api.key, "s3cret") << "trimmed as every value is";
    EXPECT_EQ(api.header, "X-Token: %k");
    EXPECT_EQ(api.pages, 4);
    EXPECT_EQ(api.pageSize, 20);
    EXPECT_EQ(api.agent, "Bot/1");
    const EngineSource wild = ReadEngineSource(settings, "Wild");
    EXPECT_EQ(wild.format, AnswerFormat::Html) << "an unknown format reads pages as before";
    EXPECT_EQ(wild.pages, 10);
    EXPECT_EQ(wild.pageSize, 1);
    EXPECT_EQ(wild.resultsPath, "results[].url");
}

TEST(EngineSourceTest, EveryPercentSTakesTheWords)
{
    EXPECT_EQ(ExpandEngineQuery(Source("http://e/?q=%s&type=mp3"), "blue+moon", 1), "http://e/?q=blue+moon&type=mp3");
    EXPECT_EQ(ExpandEngineQuery(Source("http://e/%s/?q=%s"), "x", 1), "http://e/x/?q=x");
    EXPECT_EQ(ExpandEngineQuery(Source("http://e/?q=%S&x=%K%N%Z"), "x", 1), "http://e/?q=%S&x=%K%N%Z");
    EXPECT_EQ(ExpandEngineQuery(Source("http://e/?q=%%s"), "x", 1), "http://e/?q=%x");
    EXPECT_EQ(ExpandEngineQuery(Source("http://e/?q=%s%20type%3Apdf"), "x", 1), "http://e/?q=x%20type%3Apdf")
        << "percent-encoded bytes are hex digits, never a field";
    EXPECT_EQ(ExpandEngineQuery(Source(""), "x", 1), "");
}

TEST(EngineSourceTest, PageFieldsAndTheKeyFillTheQueryInOnePass)
{
    const EngineSource source = Source("http://e/?q=%s&n=%n&z=%z&o=%o&O=%O&k=%k&x=%x&%%s", 25, "a&b=c d");
    EXPECT_EQ(ExpandEngineQuery(source, "blue+moon", 1),
              "http://e/?q=blue+moon&n=1&z=0&o=0&O=1&k=a%26b%3Dc%20d&x=%x&%blue+moon");
    EXPECT_EQ(ExpandEngineQuery(source, "w", 3), "http://e/?q=w&n=3&z=2&o=50&O=51&k=a%26b%3Dc%20d&x=%x&%w");
    EXPECT_EQ(ExpandEngineQuery(Source("http://e/?q=%s"), "%k%n", 2), "http://e/?q=%k%n")
        << "what was put in is not read again";
    EXPECT_EQ(ExpandEngineQuery(Source("http://e/%"), "w", 1), "http://e/%");
}

TEST(EngineSourceTest, TheHeaderTakesTheKeyAsItStandsAndBreaksNoRequest)
{
    EXPECT_EQ(ExpandEngineHeader(Source("q=%s", 10, "a&b", "X-Subscription-Token: %k")), "X-Subscription-Token: a&b");
    EXPECT_EQ(CheckSource(Source("q=%s", 10, "k", "API-Key: %k")).Why(), "");
    EXPECT_EQ(CheckSource(Source("q=%s", 10, "", "API-Key: public")).Why(), "");
    const std::string lineBreak = "The engine's Header is refused: it (or its key) holds a line break.";
    EXPECT_EQ(CheckSource(Source("q=%s", 10, "k\r\nHost: evil", "X-Token: %k")).Why(), lineBreak);
    EXPECT_EQ(CheckSource(Source("q=%s", 10, "k", "X-Token: a\rb")).Why(), lineBreak);
    EXPECT_EQ(CheckSource(Source("q=%s", 10, "k", std::string("X-Token: a\0b", 12))).Why(), lineBreak);
    const std::string shape = "The engine's Header is refused: it must read \"Name: value\".";
    for (const char* header : {"no colon", ": empty name", "Two words: v", "Bad(name): v"})
        EXPECT_EQ(CheckSource(Source("q=%s", 10, "k", header)).Why(), shape) << header;
    EXPECT_EQ(CheckSource(Source("q=%s&k=%k")).Why(), "The engine needs its API key: fill in Key in its settings.");
    EXPECT_EQ(CheckSource(Source("q=%s", 10, "", "X-Token: %k")).Why(),
              "The engine needs its API key: fill in Key in its settings.");
    EngineSource json = Source("q=%s");
    json.format = AnswerFormat::Json;
    json.resultsPath = "results[one].url";
    EXPECT_EQ(CheckSource(json).Why(), "The engine's Results path \"results[one].url\" is not understood.");
    json.format = AnswerFormat::Html;
    EXPECT_EQ(CheckSource(json).Why(), "") << "an HTML engine does not read the path";
}

TEST(EngineSourceTest, TheKeyIsHiddenInEveryFormItMayTake)
{
    const auto forms = KeyForms(Source("", 10, "ab&cd"));
    ASSERT_EQ(forms, (std::vector<std::string>{"ab&cd", "ab%26cd"}));
    EXPECT_EQ(HideKey("GET /?k=ab%26cd and ab&cd, ab&cdab&cd", forms), "GET /?k=(key) and (key), (key)(key)");
    EXPECT_TRUE(HoldsKey("http://h/ab%26cd.iso", forms));
    EXPECT_FALSE(HoldsKey("http://h/ab.iso", forms));
    EXPECT_TRUE(KeyForms(Source("", 10, "abc")).empty()) << "too short to look for";
    EXPECT_EQ(KeyForms(Source("", 10, "plain-key")), (std::vector<std::string>{"plain-key"}));
}

} // namespace
} // namespace velmora
