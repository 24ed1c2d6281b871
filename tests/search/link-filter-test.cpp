#include "search/link-filter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace velmora {
namespace {

TEST(IsFileLinkTest, AcceptsFilesWithAnExtension)
{
    for (const char* link : {"http://h/song.mp3", "ftp://h/pub/a.b/c.tar.gz", "http://h/Dir.HTM/song.mp3",
                             "http://h/x.EXE", "ftp://u:p@h:21/a.zip"})
        EXPECT_TRUE(IsFileLink(link)) << link;
}

TEST(IsFileLinkTest, RejectsPagesScriptsDirectoriesAndQueries)
{
    for (const char* link :
         {"http://h/index.html", "http://h/INDEX.HTML", "http://h/a.Htm", "http://h/run.cgi", "http://h/x.SHTML",
          "http://h/a.php3/x.zip", "http://h/x.asp.zip", "http://h/a.htm/b.zip", "http://h/dir/", "http://h.org",
          "http://h.org/", "http://h/dir.v2/file", "http://h/a.zip?x=1", "http://h/noext", "http:h.zip"})
        EXPECT_FALSE(IsFileLink(link)) << link;
}

TEST(IsFileLinkTest, CaseMattersOnlyForTheEndings)
{
    EXPECT_TRUE(IsFileLink("http://h/a.PHP/b.zip")) << ".php is searched case-sensitively";
    EXPECT_FALSE(IsFileLink("http://h/a.zip.HTML"));
}

TEST(IsFileLinkTest, ShortAndLongLinksFollowTheSameRules)
{
    // Short links are judged in one pass, long ones by the plain rules: a
    // name padded past 64 bytes inside its last segment keeps its verdict
    // wherever the padding cannot change it.
    std::mt19937 random(64);
    const std::string alphabet = "/.?:hpHtmasxcgi";
    for (int round = 0; round < 20000; ++round) {
        std::string link = "http://h";
        const std::size_t length = random() % 20;
        for (std::size_t i = 0; i < length; ++i)
            link += alphabet[random() % alphabet.size()];
        const std::size_t slash = link.rfind('/');
        std::string padded = link;
        // Padding of plain letters right after the last slash moves nothing
        // the rules look at.
        padded.insert(slash + 1, std::string(70, 'q'));
        ASSERT_LE(link.size(), 64u);
        ASSERT_GT(padded.size(), 64u);
        ASSERT_EQ(IsFileLink(link), IsFileLink(padded)) << link;
    }
}

TEST(CleanLinkTextTest, RemovesTagsBreaksAndSurplusBlanks)
{
    EXPECT_EQ(CleanLinkText("<b>Blue</b>  <i>Moon</i>"), "Blue Moon");
    EXPECT_EQ(CleanLinkText(" \t a\r\nb \n "), "ab");
    EXPECT_EQ(CleanLinkText("a     b"), "a b");
    EXPECT_EQ(CleanLinkText("x > y <b>z</b>"), "x > y z");
    EXPECT_EQ(CleanLinkText("open <tag never closed"), "open <tag never closed");
    EXPECT_EQ(CleanLinkText("<a><b>"), "");
    EXPECT_EQ(CleanLinkText("&amp;&lt;"), "&amp;&lt;");
    EXPECT_EQ(CleanLinkText("\v a \f"), "a");
}

} // namespace
} // namespace velmora
