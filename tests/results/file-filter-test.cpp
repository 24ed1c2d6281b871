// The filter words of the results' filter box and of export.

#include "results/file-filter.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(FileFilterTest, SizesDaysAndExtensionsReadAsAPersonWritesThem)
{
    EXPECT_EQ(ParseFileSize("700"), 700u);
    EXPECT_EQ(ParseFileSize("100K"), 100u * 1024);
    EXPECT_EQ(ParseFileSize("1.5m"), 1536u * 1024);
    EXPECT_EQ(ParseFileSize("2G"), 2ull << 30);
    for (const char* bad : {"", "K", "-1", "1.5.5", "10T", "1e9", " 7", "99999999999999999999G", ".5M"})
        EXPECT_FALSE(ParseFileSize(bad)) << bad;

    EXPECT_EQ(ParseFilterDate("1970-01-02"), 86400);
    EXPECT_EQ(ParseFilterDate("2024-02-29"), 1709164800) << "a leap day";
    for (const char* bad : {"2025-02-30", "2023-02-29", "2025-13-01", "2025-1-01", "2025/01/01", "20250101", ""})
        EXPECT_FALSE(ParseFilterDate(bad)) << bad;

    EXPECT_EQ(ParseExtensions("iso,.IMG,,tar.gz"), (std::vector<std::string>{"iso", "img", "tar.gz"}));
    EXPECT_FALSE(ParseExtensions(",,."));
}

TEST(FileFilterTest, AFileOfUnknownSizeOrDateFailsABoundOnIt)
{
    FileFilter filter;
    EXPECT_TRUE(filter.Matches("a.bin", std::nullopt, std::nullopt)) << "no filter lets everything through";
    filter.extensions = {"iso", "tar.gz"};
    EXPECT_TRUE(filter.Matches("Disk.ISO", std::nullopt, std::nullopt));
    EXPECT_TRUE(filter.Matches("src.tar.gz", std::nullopt, std::nullopt));
    EXPECT_FALSE(filter.Matches("iso", std::nullopt, std::nullopt)) << "a name, not an extension";
    EXPECT_FALSE(filter.Matches("disk.iso.txt", std::nullopt, std::nullopt));
    filter.minSize = 100;
    filter.maxSize = 200;
    EXPECT_TRUE(filter.Matches("a.iso", 100, std::nullopt));
    EXPECT_TRUE(filter.Matches("a.iso", 200, std::nullopt));
    EXPECT_FALSE(filter.Matches("a.iso", 201, std::nullopt));
    EXPECT_FALSE(filter.Matches("a.iso", std::nullopt, std::nullopt));
    filter.since = 1000;
    EXPECT_TRUE(filter.Matches("a.iso", 150, 1000));
    EXPECT_FALSE(filter.Matches("a.iso", 150, 999));
    EXPECT_FALSE(filter.Matches("a.iso", 150, std::nullopt));
}

TEST(FileFilterTest, TheFilterBoxTakesFilterWordsBesideNameWords)
{
    const Result<FilterWords> words =
        ParseFilterWords("  blue ext:iso,img size>100M   moon SIZE<=2g since:2025-01-01 ");
    ASSERT_TRUE(words) << words.Why();
    EXPECT_EQ(words->names, "blue moon");
    EXPECT_EQ(words->filter.extensions, (std::vector<std::string>{"iso", "img"}));
    EXPECT_EQ(words->filter.minSize, (100ull << 20) + 1) << "larger than";
    EXPECT_EQ(words->filter.maxSize, 2ull << 30) << "at most";
    EXPECT_EQ(words->filter.since, 1735689600);

    const Result<FilterWords> nothingSmaller = ParseFilterWords("size<0");
    ASSERT_TRUE(nothingSmaller);
    EXPECT_FALSE(nothingSmaller->filter.Matches("a", 0, std::nullopt));

    // Plain words that only look like filters are names.
    const Result<FilterWords> plain = ParseFilterWords("ext: size sizes>");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->names, "ext: size sizes>");
    EXPECT_TRUE(plain->filter.IsEmpty());

    for (const char* bad : {"size>lots", "since:yesterday", "ext:,", "size<=-1"}) {
        const Result<FilterWords> refused = ParseFilterWords(std::string("moon ") + bad);
        ASSERT_FALSE(refused) << bad;
        EXPECT_NE(refused.Why().find(bad), std::string::npos) << refused.Why();
    }
}

} // namespace
} // namespace velmora
