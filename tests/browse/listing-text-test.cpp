// Reading what directory listings say: MLSD lines, LIST dates and the dates
// and sizes beside the links of index pages.

#include "browse/listing-text.h"

#include <gtest/gtest.h>

#include "browse/entry-names.h"

namespace velmora {
namespace {

using test::EntryNames;

TEST(ListingTextTest, MlsdGivesFilesAndDirectoriesWithTheirFacts)
{
    const std::string answer = "type=cdir;modify=20261207120000; .\r\n"
                               "type=pdir;modify=20261207120000; ..\r\n"
                               "type=dir;modify=20261201083000;perm=el; music\r\n"
                               "Type=File;Size=1234;Modify=20261207120501.250; Blue Moon (live).mp3\r\n"
                               "type=file;size=12; name;with;semicolons.txt\r\n"
                               "type=OS.unix=slink:/etc; link\r\n"
                               "type=file;size=1; ..\r\n"
                               "type=file;size=1; a/b.mp3\r\n"
                               "type=file;size=1; bell\x07.mp3\r\n"
                               "no facts at all\r\n"
                               "type=file;size=18446744073709551615; huge.iso\n";
    const auto entries = ParseMlsd(answer);
    EXPECT_EQ(EntryNames(entries),
              (std::vector<std::string>{"music/", "Blue Moon (live).mp3", "name;with;semicolons.txt", "huge.iso"}))
        << "no . and .., no links, no name that leaves its directory or holds a control byte";
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_FALSE(entries[0].size) << "a directory has no size";
    EXPECT_EQ(entries[1].size, 1234u);
    EXPECT_EQ(entries[1].modified, 1796645101);
    EXPECT_EQ(entries[3].size, 18446744073709551615ull);
}

TEST(ListingTextTest, DatesInTheirManyForms)
{
    EXPECT_EQ(ParseMlsdTime("20261207120501"), 1796645101);
    EXPECT_FALSE(ParseMlsdTime("2026120712050"));
    EXPECT_FALSE(ParseMlsdTime("20261307120501")) << "month 13";
    const std::int64_t now = 1796645101; // 2026-12-07 12:05:01
    EXPECT_EQ(ParseListTime("Dec  7 12:00", now), 1796644800) << "this year";
    EXPECT_EQ(ParseListTime("Dec 31 23:00", now), *MakeUtcTime(2025, 12, 31, 23, 0, 0)) << "not yet this year: last";
    EXPECT_EQ(ParseListTime("Jan  5  2024", now), *MakeUtcTime(2024, 1, 5, 0, 0, 0));
    EXPECT_EQ(ParseListTime("12-07-26  12:00PM", now), *MakeUtcTime(2026, 12, 7, 12, 0, 0));
    EXPECT_EQ(ParseListTime("01-02-99  07:30AM", now), *MakeUtcTime(1999, 1, 2, 7, 30, 0));
    EXPECT_FALSE(ParseListTime("Foo  7 12:00", now));
    EXPECT_FALSE(ParseListTime("Dec 99999999999 12:00", now)) << "no day of eleven digits (nor an overflow)";
    EXPECT_FALSE(ParseListTime("Dec  123 2024", now));
    EXPECT_FALSE(ParseListTime("", now));

    std::size_t end = 0;
    EXPECT_EQ(FindIndexDate("   07-Dec-2026 12:05              1234\r\n", &end), *MakeUtcTime(2026, 12, 7, 12, 5, 0));
    EXPECT_EQ(end, 20u) << "just past the minutes";
    EXPECT_EQ(FindIndexDate(" 2026-12-07 12:05  | 1.2K"), *MakeUtcTime(2026, 12, 7, 12, 5, 0));
    EXPECT_EQ(FindIndexDate(" 2026-Dec-07 12:05:33 1.2K"), *MakeUtcTime(2026, 12, 7, 12, 5, 33));
    EXPECT_FALSE(FindIndexDate(" 12345-12-07 12:05")) << "a year of five digits";
    EXPECT_FALSE(FindIndexDate("nothing here"));
}

} // namespace
} // namespace velmora
