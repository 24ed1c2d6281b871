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

TEST(QueryWordsTest, QueryWordsAreEncodedAsAWebFormSendsThem)
{
    EXPECT_EQ(MakeQueryWords("  Blue Moon  "), "blue+moon");
    EXPECT_EQ(MakeQueryWords("c++ R&B"), "c%2B%2B+r%26b") << "'+' and '&' stay part of the words";
    EXPECT_EQ(MakeQueryWords("x#y"), "x%23y") << "'#' would end the address";
    EXPECT_EQ(MakeQueryWords("Caf\xC3\xA9  M\xC3\xBCller"), "caf%C3%A9++m%C3%BCller");
    EXPECT_EQ(MakeQueryWords("a-b.c_d~e"), "a-b.c_d~e") << "unreserved characters stay";
    EXPECT_EQ(MakeQueryWords("100% a/b?c=d"), "100%25+a%2Fb%3Fc%3Dd");
}

} // namespace
} // namespace velmora
