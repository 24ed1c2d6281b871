// LIST answers as real servers write them, read line by line: every
// readable line gives its entry, one unreadable line loses only itself.

#include "browse/list-lines.h"

#include <gtest/gtest.h>

#include "browse/listing-text.h"
#include "platform/text-escape.h"
#include "results/result-actions.h"

namespace velmora {
namespace {

// 2026-12-07 12:00 UTC.
constexpr std::int64_t kNow = 1796644800;

std::vector<std::string> Names(const ListLines& listed)
{
    std::vector<std::string> names;
    for (const ListedEntry& entry : listed.entries)
        names.push_back((entry.isDirectory ? "d:" : "f:") + entry.name);
    return names;
}

TEST(ListLinesTest, UnixListingsWithAndWithoutTheirOptionalColumns)
{
    const ListLines listed =
        ParseListLines("total 48\r\n"
                       "drwxr-xr-x    2 ftp      ftp          4096 Dec  7 12:00 pub\r\n"
                       "-rw-r--r--    1 ftp      ftp      18446744073709551615 Feb  1  8:00 huge.iso\r\n"
                       "-rw-r--r--+   1 owner    group         123 Jan  5  2024 acl.txt\r\n"
                       "-rw-r--r--@   1 owner    staff          77 Mar 10 09:15 mac.txt\r\n"
                       "-rw-r--r--   1 ftp   512 Dec  7 11:59 no-group.bin\r\n"
                       "-rw-r--r--   512 Dec  7 11:59 no-owner.bin\r\n"
                       "-rw-r--r--    1 ftp      ftp            10 Dec  7 12:00  two leading.txt \r\n"
                       "lrwxrwxrwx    1 ftp      ftp             7 Dec  7 12:00 current -> 12.0\r\n"
                       "lrwxrwxrwx    1 ftp      ftp             7 Dec  7 12:00 latest.iso -> dist/x-12.0.iso\r\n"
                       "crw-rw-rw-    1 root     root       1,   3 Dec  7 12:00 null\r\n",
                       kNow);
    EXPECT_EQ(listed.unreadable, 0u);
    EXPECT_EQ(Names(listed),
              (std::vector<std::string>{"d:pub", "f:huge.iso", "f:acl.txt", "f:mac.txt", "f:no-group.bin",
                                        "f:no-owner.bin", "f: two leading.txt ", "d:current", "f:latest.iso"}));
    ASSERT_EQ(listed.entries.size(), 9u);
    EXPECT_EQ(listed.entries[1].size, 18446744073709551615ull);
    EXPECT_EQ(listed.entries[1].modified, MakeUtcTime(2026, 2, 1, 8, 0, 0)) << "a one-digit hour";
    EXPECT_EQ(listed.entries[2].modified, MakeUtcTime(2024, 1, 5, 0, 0, 0));
    EXPECT_EQ(listed.entries[5].size, 512u);
    EXPECT_FALSE(listed.entries[0].size) << "a folder's size is its own, not its files'";
}

TEST(ListLinesTest, DosListingsInTwelveAndTwentyFourHours)
{
    const ListLines listed = ParseListLines("02-01-26  08:00AM       <DIR>          Music\r\n"
                                            "02-01-26  08:30PM            1048576 blue moon.mp3\r\n"
                                            "12-31-2025  23:59               42 year.txt\r\n",
                                            kNow);
    EXPECT_EQ(listed.unreadable, 0u);
    EXPECT_EQ(Names(listed), (std::vector<std::string>{"d:Music", "f:blue moon.mp3", "f:year.txt"}));
    EXPECT_EQ(listed.entries[1].size, 1048576u);
    EXPECT_EQ(listed.entries[1].modified, MakeUtcTime(2026, 2, 1, 20, 30, 0));
    EXPECT_EQ(listed.entries[2].modified, MakeUtcTime(2025, 12, 31, 23, 59, 0));
}

TEST(ListLinesTest, AnUnreadableLineLosesOnlyItselfAndIsCounted)
{
    // The listing that libcurl's parser gave up on whole: an odd line amid
    // ordinary ones, then hostile names.
    const ListLines listed = ParseListLines("-rw-r--r--    1 ftp ftp 10 Dec  7 12:00 a.txt\n"
                                            "this is no listing line\n"
                                            "-rw-r--r--    1 ftp ftp 10 Dec 77 12:00 bad-day.txt\n"
                                            "\n"
                                            "-rw-r--r--    1 ftp ftp 10 Dec  7 12:00 ..\n"
                                            "-rw-r--r--    1 ftp ftp 10 Dec  7 12:00 up/../../etc\n"
                                            "-rw-r--r--    1 ftp ftp 99999999999999999999 Dec  7 12:00 too-big.bin\n"
                                            "-rw-r--r--    1 ftp ftp 10 Dec  7 12:00 b.txt",
                                            kNow);
    EXPECT_EQ(Names(listed), (std::vector<std::string>{"f:a.txt", "f:bad-day.txt", "f:too-big.bin", "f:b.txt"}));
    EXPECT_FALSE(listed.entries[1].modified) << "a day that is no day is no date, but the name is still a file";
    EXPECT_FALSE(listed.entries[2].size) << "a size past 2^64 is not made up";
    EXPECT_EQ(listed.unreadable, 1u);
}

TEST(ListLinesTest, NamesInOtherCharacterSetsKeepTheServersBytesAndReadAsLatin1)
{
    // Latin-1, CP1251 and Shift-JIS (whose "\x83\x5C" holds a backslash
    // byte), in LIST and in MLSD with its facts in another order.
    const std::string latin1 = "caf\xE9.txt";
    const std::string cp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2.txt";
    const std::string shiftJis = "\x83\x65\x83\x58\x83\x5C.txt";
    const ListLines listed = ParseListLines("-rw-r--r--    1 ftp ftp 10 Dec  7 12:00 " + latin1 +
                                                "\r\n"
                                                "-rw-r--r--    1 ftp ftp 10 Dec  7 12:00 " +
                                                cp1251 + "\r\n02-01-26  08:00AM  <DIR>  " + shiftJis + "\r\n",
                                            kNow);
    EXPECT_EQ(Names(listed), (std::vector<std::string>{"f:" + latin1, "f:" + cp1251, "d:" + shiftJis}));
    const auto mlsd = ParseMlsd("modify=20261207120000;SIZE=3;type=file; " + latin1 + "\r\n");
    ASSERT_EQ(mlsd.size(), 1u);
    EXPECT_EQ(mlsd[0].name, latin1);
    EXPECT_EQ(mlsd[0].size, 3u);

    // The URL keeps the bytes, so the file can still be fetched; people
    // read the name in Latin-1 rather than as broken bytes.
    EXPECT_EQ(EncodeUrlPath("/pub/" + latin1), "/pub/caf%E9.txt");
    EXPECT_EQ(EncodeUrlPath("/" + shiftJis), "/%83e%83X%83%5C.txt");
    EXPECT_EQ(ReadableName(latin1), "caf\xC3\xA9.txt");
    EXPECT_EQ(ReadableName("caf\xC3\xA9.txt"), "caf\xC3\xA9.txt") << "UTF-8 stays as it is";
}

} // namespace
} // namespace velmora
