// What robots.txt asks of Velmora.

#include "browse/robots-rules.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace velmora
