// What robots.txt asks of Velmora.

#include "browse/robots-rules.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace velmora {
namespace {

TEST(RobotsRulesTest, OurOwnGroupWinsAndTheLongestLineDecides)
{
    const auto rules = RobotsRules::Parse("# comment\n"
                                          "User-agent: *\n"
                                          "Disallow: /\n"
                                          "\n"
                                          "User-agent: otherbot\n"
                                          "User-agent: Velmora\n"
                                          "Disallow: /private/\n"
                                          "Allow: /private/shared/\n"
                                          "Disallow: /*.iso$\n"
                                          "Crawl-delay: 2.5\n");
    EXPECT_TRUE(rules.Allows("/"));
    EXPECT_TRUE(rules.Allows("/pub/"));
    EXPECT_FALSE(rules.Allows("/private/"));
    EXPECT_FALSE(rules.Allows("/private/x/"));
    EXPECT_TRUE(rules.Allows("/private/shared/"));
    EXPECT_FALSE(rules.Allows("/pub/linux.iso"));
    EXPECT_TRUE(rules.Allows("/pub/linux.iso.txt")) << "$ ends the path";
    EXPECT_EQ(rules.GetCrawlDelay(), 2.5);
}

TEST(RobotsRulesTest, WithoutOurGroupTheStarGroupHolds)
{
    const auto rules =
        RobotsRules::Parse("User-agent: *\nDisallow: /cgi-bin/\nDisallow:\n\nUser-agent: bot\nDisallow: /\n");
    EXPECT_TRUE(rules.Allows("/pub/"));
    EXPECT_FALSE(rules.Allows("/cgi-bin/x"));
    EXPECT_FALSE(RobotsRules::DisallowAll().Allows("/"));
    EXPECT_TRUE(RobotsRules::AllowAll().Allows("/anything/"));
    EXPECT_TRUE(RobotsRules::Parse("garbage\n\xff\xfe\0 text").Allows("/"));
}

TEST(RobotsRulesTest, AHostilePatternCostsLittle)
{
    // Many stars against a long path: no back-tracking explosion.
    const std::string pattern = "/" + std::string(200, '*') + "x";
    const auto rules = RobotsRules::Parse("User-agent: *\nDisallow: " + pattern + "\n");
    EXPECT_TRUE(rules.Allows("/" + std::string(5000, 'a')));
    EXPECT_FALSE(rules.Allows("/" + std::string(5000, 'a') + "x"));
}

TEST(RobotsRulesTest, AllowWinsATieOfEqualLength)
{
    const auto rules = RobotsRules::Parse("User-agent: *\nDisallow: /pub/\nAllow: /pub/\nDisallow: /a\nAllow: /b\n");
    EXPECT_TRUE(rules.Allows("/pub/x/"));
    const auto reversed = RobotsRules::Parse("User-agent: *\nAllow: /pub/\nDisallow: /pub/\n");
    EXPECT_TRUE(reversed.Allows("/pub/x/")) << "whatever the order of the lines";
    EXPECT_FALSE(RobotsRules::Parse("User-agent: *\nAllow: /pub\nDisallow: /pub/\n").Allows("/pub/x/"))
        << "the longer line still wins";
}

TEST(RobotsRulesTest, CrawlDelayIsReadAlikeInEveryLocaleAndHeldToADay)
{
    // The window runs in the user's locale, where "2.5" may read as 2.
    const std::string before = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "Debian's locales-all gives this locale";
    EXPECT_EQ(RobotsRules::Parse("User-agent: *\nCrawl-delay: 2.5\n").GetCrawlDelay(), 2.5);
    EXPECT_FALSE(RobotsRules::Parse("User-agent: *\nCrawl-delay: 2,5x\n").GetCrawlDelay() == 2.5);
    std::setlocale(LC_ALL, before.c_str());

    EXPECT_EQ(RobotsRules::Parse("User-agent: *\nCrawl-delay: 1e300\n").GetCrawlDelay(),
              RobotsRules::kLongestCrawlDelay);
    EXPECT_EQ(RobotsRules::Parse("User-agent: *\nCrawl-delay: 1e999\n").GetCrawlDelay(),
              RobotsRules::kLongestCrawlDelay);
    EXPECT_FALSE(RobotsRules::Parse("User-agent: *\nCrawl-delay: -3\n").GetCrawlDelay());
    EXPECT_FALSE(RobotsRules::Parse("User-agent: *\nCrawl-delay: soon\n").GetCrawlDelay());
}

} // namespace
} // namespace velmora
