#include "json-writer.h"

#include <gtest/gtest.h>

namespace velmora::cli {
namespace {

TEST(JsonWriterTest, EscapesControlsAndQuotes)
{
    EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(JsonString("t\tn\nr\r\x01"), R"("t\tn\nr\r\u0001")");
    EXPECT_EQ(JsonString(std::string("nul\0x", 5)), R"("nul\u0000x")");
}

TEST(JsonWriterTest, ReplacesEachBadByteWithReplacementCharacter)
{
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(JsonString("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
    EXPECT_EQ(JsonString("\xF0\x9F\x8E\xB5"), "\"\xF0\x9F\x8E\xB5\"");
    EXPECT_EQ(JsonString("a\xE9z"), "\"a" + fffd + "z\"");
    EXPECT_EQ(JsonString("\xE2\x82"), "\"" + fffd + fffd + "\"") << "a cut sequence is two bad bytes";
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"" + fffd + fffd + "\"") << "overlong forms are bad";
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"" + fffd + fffd + fffd + "\"") << "surrogates are bad";
    EXPECT_EQ(JsonString("\xF4\x90\x80\x80"), "\"" + fffd + fffd + fffd + fffd + "\"");
}

TEST(JsonWriterTest, ObjectsKeepKeyOrder)
{
    EXPECT_EQ(JsonObject().Add("kind", "total").Add("http", std::int64_t{3}).Add("ok", true).Text(),
              R"({"kind":"total","http":3,"ok":true})");
}

} // namespace
} // namespace velmora::cli
