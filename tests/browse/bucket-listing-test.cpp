// S3-style bucket listings (ListBucketResult), as Amazon documents the
// answer of a GET on a bucket, with and without a delimiter.

#include "browse/bucket-listing.h"

#include <gtest/gtest.h>

#include "browse/entry-names.h"

#include "browse/listing-text.h"

namespace velmora {
namespace {

using test::EntryNames;

const char* const kFlat =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<ListBucketResult xmlns=\"http://s3.amazonaws.com/doc/2006-03-01/\">"
    "<Name>mirror</Name><Prefix></Prefix><Marker></Marker><MaxKeys>1000</MaxKeys><IsTruncated>false</IsTruncated>"
    "<Contents><Key>README.txt</Key><LastModified>2026-12-07T12:00:00.000Z</LastModified>"
    "<ETag>&quot;abc&quot;</ETag><Size>1234</Size><StorageClass>STANDARD</StorageClass></Contents>"
    "<Contents><Key>music/live/blue moon.mp3</Key><Size>5000000000</Size></Contents>"
    "<Contents><Key>music/a.ogg</Key><Size>1</Size></Contents>"
    "<Contents><Key>iso/</Key><Size>0</Size></Contents>"
    "<Contents><Key>../escape.txt</Key><Size>1</Size></Contents>"
    "<Contents><Key>caf\xC3\xA9.txt</Key><Size>7</Size></Contents>"
    "</ListBucketResult>";

TEST(BucketListingTest, AFlatListingGivesTheRootsFilesAndTheFoldersOfDeeperKeysOnce)
{
    const auto entries = ParseBucketListing(kFlat, "");
    ASSERT_TRUE(entries);
    EXPECT_EQ(EntryNames(*entries), (std::vector<std::string>{"README.txt", "music/", "iso/", "caf\xC3\xA9.txt"}))
        << "a key that climbs out is no entry";
    EXPECT_EQ((*entries)[0].size, 1234u);
    EXPECT_EQ((*entries)[0].modified, MakeUtcTime(2026, 12, 7, 12, 0, 0));
    EXPECT_TRUE(LooksLikeBucketListing(kFlat));
    EXPECT_FALSE(LooksLikeBucketListing("<?xml version=\"1.0\"?><!DOCTYPE html><html><body>index</body></html>"))
        << "an XHTML index page is read as one";
}

TEST(BucketListingTest, AFolderAskedWithADelimiterGivesItsFilesAndCommonPrefixes)
{
    const std::string answer =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<ListBucketResult xmlns=\"http://s3.amazonaws.com/doc/2006-03-01/\"><Name>mirror</Name>"
        "<Prefix>music/</Prefix><Delimiter>/</Delimiter>"
        "<Contents><Key>music/</Key><Size>0</Size></Contents>"
        "<Contents><Key>music/a.ogg</Key><Size>1</Size><LastModified>2025-01-02T03:04:05Z</LastModified></Contents>"
        "<CommonPrefixes><Prefix>music/live/</Prefix></CommonPrefixes>"
        "<CommonPrefixes><Prefix>elsewhere/</Prefix></CommonPrefixes>"
        "</ListBucketResult>";
    const auto entries = ParseBucketListing(answer, "music/");
    ASSERT_TRUE(entries);
    EXPECT_EQ(EntryNames(*entries), (std::vector<std::string>{"a.ogg", "live/"}));
    EXPECT_EQ((*entries)[0].modified, MakeUtcTime(2025, 1, 2, 3, 4, 5));
    EXPECT_FALSE(ParseBucketListing("<?xml version=\"1.0\"?><Error><Code>NoSuchKey</Code></Error>", ""));
    EXPECT_FALSE(ParseBucketListing("<ListBucketResult><Contents><Key>a", "")) << "a broken document";
    // An entity defined in the answer is never expanded into a name.
    EXPECT_EQ(EntryNames(*ParseBucketListing("<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e SYSTEM "
                                             "\"file:///etc/passwd\">]><ListBucketResult><Contents><Key>&e;x.txt</Key>"
                                             "</Contents></ListBucketResult>",
                                             "")),
              (std::vector<std::string>{"x.txt"}));
}

TEST(BucketListingTest, APageOfMoreNamesTheMarkerOfTheNext)
{
    const auto next = [](const std::string& body) {
        std::string marker = "unset";
        const auto entries = ParseBucketListing("<ListBucketResult>" + body + "</ListBucketResult>", "", &marker);
        EXPECT_TRUE(entries);
        return marker;
    };
    EXPECT_EQ(next("<IsTruncated>true</IsTruncated><NextMarker>m/x</NextMarker><Contents><Key>a</Key></Contents>"),
              "m/x");
    EXPECT_EQ(next("<IsTruncated>true</IsTruncated><Contents><Key>b</Key></Contents><CommonPrefixes><Prefix>c/"
                   "</Prefix></CommonPrefixes><Contents><Key>a</Key></Contents>"),
              "c/")
        << "without NextMarker, the last key or prefix in S3's order";
    EXPECT_EQ(next("<IsTruncated>false</IsTruncated><NextMarker>m/x</NextMarker>"), "");
    EXPECT_EQ(next("<Contents><Key>a</Key></Contents>"), "");
}

} // namespace
} // namespace velmora
