#include "search/query-words.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(QueryWordsTest, TrimsLowercasesAndTurnsBlanksIntoPlus)
{
    EXPECT_EQ(MakeFilterWords("  Blue Moon  "), "blue+moon");
    EXPECT_EQ(MakeFilterWords("Foo  Bar"), "foo++bar");
    EXPECT_EQ(MakeFilterWords("a\tB"), "a\tb") << "inner tabs stay";
    EXPECT_EQ(MakeFilterWords("\t \r\n"), "");
    EXPECT_EQ(MakeFilterWords("\xC4Z"), "\xC4z") << "only A to Z are lowercased";
}

TEST(QueryWordsTest, EveryPercentSTakesTheWords)
{
    EXPECT_EQ(ExpandQueryTemplate("http://e/?q=%s&type=mp3", "blue+moon"), "http://e/?q=blue+moon&type=mp3");
    EXPECT_EQ(ExpandQueryTemplate("http://e/%s/?q=%s", "x"), "http://e/x/?q=x");
    EXPECT_EQ(ExpandQueryTemplate("http://e/?q=%S", "x"), "http://e/?q=%S");
    EXPECT_EQ(ExpandQueryTemplate("http://e/?q=%%s", "x"), "http://e/?q=%x");
    EXPECT_EQ(ExpandQueryTemplate("", "x"), "");
    EXPECT_EQ(ExpandQueryTemplate("http://e/?q=%s", "%s"), "http://e/?q=%s") << "the words are not expanded again";
}

} // namespace
} // namespace velmora
