// JSON listings as nginx (autoindex_format json) and Caddy (its browse
// answer to Accept: application/json) document them, and hostile ones.

#include "browse/json-listing.h"

#include <gtest/gtest.h>

#include "browse/entry-names.h"

#include "browse/listing-text.h"

namespace velmora {
namespace {

using test::EntryNames;

TEST(JsonListingTest, NginxAndCaddyListingsGiveNamesKindsSizesAndDates)
{
    const std::string nginx =
        "[\n"
        "{ \"name\":\"live sets\", \"type\":\"directory\", \"mtime\":\"Mon, 07 Dec 2026 12:00:00 GMT\" },\n"
        "{ \"name\":\"Blue Moon (live).mp3\", \"type\":\"file\", \"mtime\":\"Sun, 06 Dec 2026 09:30:00 GMT\", "
        "\"size\":18446744073709551615 },\n"
        "{ \"name\":\"caf\xC3\xA9 \\\"quoted\\\".txt\", \"type\":\"file\", \"size\":12 },\n"
        "{ \"name\":\"socket\", \"type\":\"other\" }\n"
        "]";
    const auto fromNginx = ParseJsonListing(nginx, 100);
    ASSERT_TRUE(fromNginx);
    EXPECT_EQ(EntryNames(*fromNginx),
              (std::vector<std::string>{"live sets/", "Blue Moon (live).mp3", "caf\xC3\xA9 \"quoted\".txt", "socket"}));
    EXPECT_EQ((*fromNginx)[0].modified, *MakeUtcTime(2026, 12, 7, 12, 0, 0));
    EXPECT_EQ((*fromNginx)[1].size, UINT64_MAX);
    EXPECT_FALSE((*fromNginx)[1].sizeApproximate);

    const std::string caddy =
        "[{\"name\":\"iso/\",\"size\":4096,\"url\":\"./iso/\",\"mod_time\":\"2026-12-07T13:00:00.123456789+01:00\","
        "\"mode\":2147484141,\"is_dir\":true,\"is_symlink\":false},"
        "{\"name\":\"big.iso\",\"size\":5046586573,\"url\":\"./big.iso\",\"mod_time\":\"2026-12-07T12:00:00Z\","
        "\"mode\":420,\"is_dir\":false,\"is_symlink\":false},"
        "{\"name\":\"plain\",\"size\":0,\"url\":\"./plain/\",\"is_dir\":true}]";
    const auto fromCaddy = ParseJsonListing(caddy, 100);
    ASSERT_TRUE(fromCaddy);
    EXPECT_EQ(EntryNames(*fromCaddy), (std::vector<std::string>{"iso/", "big.iso", "plain/"}));
    EXPECT_FALSE((*fromCaddy)[0].size) << "a folder's size is no content";
    EXPECT_EQ((*fromCaddy)[0].modified, *MakeUtcTime(2026, 12, 7, 12, 0, 0)) << "+01:00 is an hour ahead of UTC";
    EXPECT_EQ((*fromCaddy)[1].size, 5046586573u);
}

TEST(JsonListingTest, HostileOrForeignDocumentsGiveNothingOrOnlyListableNames)
{
    EXPECT_FALSE(ParseJsonListing("{\"results\":[]}", 10)) << "an object is no listing";
    EXPECT_FALSE(ParseJsonListing("[{\"name\":\"a\"}", 10)) << "cut off";
    EXPECT_FALSE(ParseJsonListing("", 10));
    EXPECT_FALSE(ParseJsonListing(std::string(1000000, '[') + std::string(1000000, ']'), 10))
        << "nested a million deep: refused, not a stack overflow";
    EXPECT_FALSE(ParseJsonListing("[{\"name\":{\"a\":{\"b\":{\"c\":{\"d\":{\"e\":{\"f\":{\"g\":1}}}}}}}}]", 10));

    const auto odd = ParseJsonListing("[{\"name\":\"../up\"},{\"name\":\"a/b\"},{\"name\":\".\"},{\"name\":\"tab\\t\"},"
                                      "{\"name\":\"\"},{\"size\":3},{\"name\":\"ok\",\"size\":-4,\"extra\":[{\"name\":"
                                      "\"inner\"}]},[\"not an entry\"],\"loose\",{\"name\":\"last\"}]",
                                      10);
    ASSERT_TRUE(odd);
    EXPECT_EQ(EntryNames(*odd), (std::vector<std::string>{"ok", "last"}));
    EXPECT_FALSE((*odd)[0].size);

    std::string many = "[";
    for (int i = 0; i < 1000; ++i)
        many += "{\"name\":\"f" + std::to_string(i) + "\"},";
    many += "{\"name\":\"end\"}]";
    const auto capped = ParseJsonListing(many, 10);
    ASSERT_TRUE(capped);
    EXPECT_EQ(capped->size(), 10u);
}

TEST(JsonListingTest, TimesWithFractionsAndOffsets)
{
    EXPECT_EQ(ParseIsoTime("2026-12-07T12:00:00Z"), MakeUtcTime(2026, 12, 7, 12, 0, 0));
    EXPECT_EQ(ParseIsoTime("2026-12-07 12:00:00"), MakeUtcTime(2026, 12, 7, 12, 0, 0));
    EXPECT_EQ(ParseIsoTime("2026-12-07T06:30:00.5-05:30"), MakeUtcTime(2026, 12, 7, 12, 0, 0));
    EXPECT_FALSE(ParseIsoTime("1970-01-01T00:00:00+01:00")) << "before 1970";
    for (const char* text : {"2026-12-07T12:00:00+1", "2026-12-07T12:00:00 junk", "2026-13-07T12:00:00Z", "2026-12-07",
                             "2026-12-07T12:00:00+01:0x"})
        EXPECT_FALSE(ParseIsoTime(text)) << text;
}

} // namespace
} // namespace velmora
