#include "search/link-unwrap.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(LinkUnwrapTest, EachEnginesRedirectGivesItsTarget)
{
    EXPECT_EQ(UnwrapLink("//duckduckgo.com/l/?uddg=https%3A%2F%2Ffiles.example.org%2Fa%20b.pdf&amp;rut=abc"),
              "https://files.example.org/a b.pdf");
    EXPECT_EQ(UnwrapLink("/url?q=http://h.example/x.zip&amp;sa=U&amp;ved=2"), "http://h.example/x.zip");
    EXPECT_EQ(UnwrapLink("https://www.google.com/url?sa=t&url=ftp%3A%2F%2Fftp.example.net%2Fpub%2Fa.iso"),
              "ftp://ftp.example.net/pub/a.iso");
    EXPECT_EQ(UnwrapLink("https://r.search.yahoo.com/_ylt=A;_ylu=B/RV=2/RE=1/RO=10/"
                         "RU=https%3a%2f%2fdocs.example.com%2fmanual.pdf/RK=2/RS=xyz-"),
              "https://docs.example.com/manual.pdf");
    // "https://files.example.com/r.pdf" in base64url after "a1".
    EXPECT_EQ(UnwrapLink("https://www.bing.com/ck/a?!&amp;&amp;p=0ab&amp;ptn=3&amp;"
                         "u=a1aHR0cHM6Ly9maWxlcy5leGFtcGxlLmNvbS9yLnBkZg&amp;ntb=1"),
              "https://files.example.com/r.pdf");
    EXPECT_EQ(UnwrapLink("/click?target=http%3A%2F%2Fh.example%2Fa.mp3&amp;id=7"), "http://h.example/a.mp3")
        << "one parameter holding an absolute URL";
}

TEST(LinkUnwrapTest, LinksThatCarryNoSingleTargetGiveNothing)
{
    EXPECT_FALSE(UnwrapLink("/search?q=more&amp;page=2"));
    EXPECT_FALSE(UnwrapLink("http://h.example/a.mp3"));
    EXPECT_FALSE(UnwrapLink("/go?a=http%3A%2F%2Fone.example%2F&b=http%3A%2F%2Ftwo.example%2F")) << "two candidates";
    EXPECT_FALSE(UnwrapLink("/url?q=javascript:alert(1)")) << "only http, https and ftp targets";
    EXPECT_FALSE(UnwrapLink("/x?u=a1!!!")) << "no base64";
    EXPECT_FALSE(UnwrapLink("/y/RU=http%3A%2F%2Fh%2Fa.zip/XX=1")) << "RU= must be followed by RK= or RS=";
    EXPECT_EQ(UnwrapLink("/url?q=%2Furl%3Fq%3Dhttp%3A%2F%2Fh%2Fa.zip"), std::nullopt)
        << "a relative target is no target";
    EXPECT_EQ(UnwrapLink("/url?q=http%3A%2F%2Fh%2Furl%3Fq%3Dhttp%253A%252F%252Fi%252Fb.zip"),
              "http://h/url?q=http%3A%2F%2Fi%2Fb.zip")
        << "unwrapped once, never again";
}

TEST(LinkUnwrapTest, CharacterReferencesAndBase64AreDecodedAsABrowserDoes)
{
    EXPECT_EQ(DecodeCharacterReferences("a&amp;b&#38;c&#x26;d&lt;&gt;&quot;&apos;&unknown;&#0;&#xD800;&amp"),
              "a&b&c&d<>\"'&unknown;&#0;&#xD800;&amp");
    EXPECT_EQ(DecodeCharacterReferences("caf&#233;"), "caf\xC3\xA9");
    EXPECT_EQ(DecodeBase64Url("aHR0cDovL2gvYS56aXA"), "http://h/a.zip");
    EXPECT_EQ(DecodeBase64Url("aHR0cDovL2gvYS56aXA="), "http://h/a.zip");
    EXPECT_FALSE(DecodeBase64Url("a b"));
    EXPECT_EQ(QueryParameter("/p?x=1&y=a%20b+c#y=2", "y"), "a b+c");
    EXPECT_FALSE(QueryParameter("/p#?y=1", "y"));
}

} // namespace
} // namespace velmora
