// The fast scanner against the literal one, on pages built to break it.

#include <random>

#include <gtest/gtest.h>

#include "extractor-harness.h"

namespace velmora {
namespace {

using test::ReferenceExtract;
using test::ReferenceLink;
using test::RunExtractors;
using test::RunPageScan;

std::vector<ReferenceLink> Reference(std::string_view page)
{
    auto links = ReferenceExtract(page, true);
    const auto ftp = ReferenceExtract(page, false);
    links.insert(links.end(), ftp.begin(), ftp.end());
    return links;
}

const std::vector<std::string> kPieces = {
    "<a href=\"",
    "<A HREF=",
    "href= \"",
    "href='",
    "HrEf=",
    "href",
    "=",
    "http://",
    "HTTP://",
    "hTtP:/",
    "ftp://",
    "FTP://",
    "ftp:",
    "host.org",
    "Host.ORG:21",
    "user:pw@",
    "/",
    "/dir/",
    "/Dir.HTM/",
    "file.mp3",
    "a.ZIP",
    ".",
    ".html",
    ".HTML",
    ".htm",
    ".php",
    ".asp",
    ".cgi",
    ".shtml",
    "?q=1",
    "\"",
    "'",
    " ",
    "  ",
    "\t",
    "\r",
    ">",
    "<",
    "</a>",
    "</A>",
    "</a",
    "<img src=x>",
    "<IMG",
    "<b>",
    "</b>",
    "Song",
    "&amp;",
    "\xC3\xA9",
    "<a href=\"http://h.org/d/f.mp3\">",
    "<a href=\"ftp://h.org/d/f.zip\">",
    "HREF=\"HTTP://H/x.Ogg\" ",
    std::string(1, '\0'),
    "//",
};

std::string RandomPage(std::mt19937& random, std::size_t pieces)
{
    std::uniform_int_distribution<std::size_t> pick(0, kPieces.size() - 1);
    std::string page;
    for (std::size_t i = 0; i < pieces; ++i)
        page += kPieces[pick(random)];
    return page;
}

TEST(LinkExtractorReferenceTest, RandomPagesGiveTheSameLinksInTheSameOrder)
{
    std::mt19937 random(20261207);
    int linksSeen = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::string page = RandomPage(random, 1 + round % 120);
        const auto expected = Reference(page);
        const auto actual = RunExtractors(page);
        ASSERT_EQ(actual.links, expected) << "page: " << page;
        ASSERT_EQ(static_cast<std::size_t>(actual.httpCount + actual.ftpCount), expected.size());
        const auto together = RunPageScan(page);
        ASSERT_EQ(together.links, expected) << "one scan for both kinds, page: " << page;
        ASSERT_EQ(static_cast<std::size_t>(together.httpCount + together.ftpCount), expected.size());
        linksSeen += static_cast<int>(expected.size());
    }
    EXPECT_GT(linksSeen, 1000) << "the generator must reach accepted links";
}

TEST(LinkExtractorReferenceTest, WellFormedPagesAgreeToo)
{
    std::mt19937 random(7);
    std::string page = "<html><body>\r\n";
    for (int i = 0; i < 2000; ++i) {
        switch (random() % 5) {
        case 0:
            page += "<a href=\"http://s" + std::to_string(i % 9) + ".org/m/" + std::to_string(i) +
                    ".mp3\">"
                    "<b>Track</b> " +
                    std::to_string(i) + "</a>\r\n";
            break;
        case 1:
            page += "<a href=\"ftp://f.net/pub/" + std::to_string(i) + ".zip\">z</a>\r\n";
            break;
        case 2:
            page += "<a href=\"/rel/" + std::to_string(i) + ".mp3\">r</a>";
            break;
        case 3:
            page += "<a href=\"http://s.org/p" + std::to_string(i) + ".html\">page</a>";
            break;
        default:
            page += "<p class=\"x\">text &amp; more</p>";
            break;
        }
    }
    const auto run = RunExtractors(page);
    EXPECT_EQ(run.links, Reference(page));
    EXPECT_GT(run.httpCount, 300);
    EXPECT_GT(run.ftpCount, 300);
}

} // namespace
} // namespace velmora
