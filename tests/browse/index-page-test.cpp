// Index pages of the common web servers, and hostile ones.

#include "browse/index-page.h"

#include <gtest/gtest.h>

#include "browse/entry-names.h"

#include "browse/listing-text.h"

namespace velmora {
namespace {

IndexPlace Place(const std::string& directory, const std::string& scheme = "http", std::uint16_t port = 8080)
{
    return {scheme, "files.example.org", port, directory};
}

using test::EntryNames;

TEST(IndexPageTest, NginxGivesExactSizesAndDates)
{
    const std::string page =
        "<html>\r\n<head><title>Index of /pub/</title></head>\r\n<body>\r\n"
        "<h1>Index of /pub/</h1><hr><pre><a href=\"../\">../</a>\r\n"
        "<a href=\"live%20sets/\">live sets/</a>                                         "
        "07-Dec-2026 12:00                   -\r\n"
        "<a href=\"Blue%20Moon%20%28live%29.mp3\">Blue Moon (live).mp3</a>                    "
        "06-Dec-2026 09:30              200000\r\n"
        "<a href=\"caf%C3%A9.txt\">caf&#233;.txt</a>         01-Jan-2025 00:00                  12\r\n"
        "</pre><hr></body>\r\n</html>\r\n";
    const auto entries = ParseIndexPage(page, Place("/pub/"));
    ASSERT_EQ(EntryNames(entries), (std::vector<std::string>{"live sets/", "Blue Moon (live).mp3", "caf\xc3\xa9.txt"}));
    EXPECT_FALSE(entries[0].size);
    EXPECT_EQ(entries[0].modified, *MakeUtcTime(2026, 12, 7, 12, 0, 0));
    EXPECT_EQ(entries[1].size, 200000u);
    EXPECT_EQ(entries[1].modified, *MakeUtcTime(2026, 12, 6, 9, 30, 0));
    EXPECT_EQ(entries[2].size, 12u);
}

TEST(IndexPageTest, ApacheAndLighttpdTablesGiveDatesAndSizesRoundedOrExact)
{
    const std::string apache =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\"><html><head><title>Index of /pub</title></head>"
        "<body><h1>Index of /pub</h1><table><tr><th valign=\"top\"><img src=\"/icons/blank.gif\" alt=\"[ICO]\"></th>"
        "<th><a href=\"?C=N;O=D\">Name</a></th><th><a href=\"?C=M;O=A\">Last modified</a></th>"
        "<th><a href=\"?C=S;O=A\">Size</a></th></tr>"
        "<tr><td valign=\"top\"><img src=\"/icons/back.gif\" alt=\"[PARENTDIR]\"></td><td><a href=\"/\">Parent "
        "Directory</a></td><td>&nbsp;</td><td align=\"right\">  - </td></tr>"
        "<tr><td valign=\"top\"><img src=\"/icons/sound2.gif\" alt=\"[SND]\"></td><td><a href=\"song.mp3\">song.mp3</a>"
        "</td><td align=\"right\">2026-12-07 12:05  </td><td align=\"right\">4.2M</td></tr>"
        "<tr><td valign=\"top\"><img src=\"/icons/text.gif\" alt=\"[TXT]\"></td><td><a href=\"notes.txt\">notes.txt</a>"
        "</td><td align=\"right\">2026-12-01 08:00  </td><td align=\"right\">512</td></tr>"
        "<tr><td valign=\"top\"><img src=\"/icons/folder.gif\" alt=\"[DIR]\"></td><td><a href=\"old/\">old/</a></td>"
        "<td align=\"right\">2025-01-02 03:04  </td><td align=\"right\">  - </td></tr></table></body></html>";
    const auto entries = ParseIndexPage(apache, Place("/pub/"));
    ASSERT_EQ(EntryNames(entries), (std::vector<std::string>{"song.mp3", "notes.txt", "old/"}))
        << "sort links and the parent link are no entries";
    EXPECT_EQ(entries[0].modified, *MakeUtcTime(2026, 12, 7, 12, 5, 0));
    EXPECT_EQ(entries[0].size, 4404019u) << "4.2M: about that many bytes";
    EXPECT_TRUE(entries[0].sizeApproximate);
    EXPECT_EQ(entries[1].size, 512u);
    EXPECT_FALSE(entries[1].sizeApproximate);

    const std::string lighttpd =
        "<table summary=\"Directory Listing\"><thead><tr><th class=\"n\">Name</th></tr></thead><tbody>"
        "<tr class=\"d\"><td class=\"n\"><a href=\"../\">Parent Directory</a>/</td><td class=\"m\">&nbsp;</td></tr>"
        "<tr><td class=\"n\"><a href=\"a.iso\">a.iso</a></td><td class=\"m\">2026-Dec-07 12:05:33</td>"
        "<td class=\"s\">1.2G</td><td class=\"t\">application/octet-stream</td></tr></tbody></table>";
    const auto light = ParseIndexPage(lighttpd, Place("/pub/"));
    ASSERT_EQ(EntryNames(light), (std::vector<std::string>{"a.iso"}));
    EXPECT_EQ(light[0].modified, *MakeUtcTime(2026, 12, 7, 12, 5, 33));
    EXPECT_EQ(light[0].size, 1288490189u);
    EXPECT_TRUE(light[0].sizeApproximate);
}

TEST(IndexPageTest, RoundedSizesInTheFormsServersWriteThem)
{
    EXPECT_EQ(ParseRoundedSize("2.3K"), 2355u);
    EXPECT_EQ(ParseRoundedSize("1.0M"), 1048576u);
    EXPECT_EQ(ParseRoundedSize("4.7 GB"), 5046586573u);
    EXPECT_EQ(ParseRoundedSize("800 KiB"), 819200u);
    EXPECT_EQ(ParseRoundedSize("12 bytes"), 12u);
    for (const char* text : {"", "-", "K", "1.M", "4.7 XB", "1.5.2K", "9999999999999T", "12KBx"})
        EXPECT_FALSE(ParseRoundedSize(text)) << text;
    // Caddy writes "4.7 GB" in a cell of its own after the date.
    const auto caddy = ParseIndexPage("<table><tr><td><a href=\"./big.iso\">big.iso</a></td><td>4.7 GB</td>"
                                      "<td><time datetime=\"2026-12-07T12:00:00Z\">12/07/2026</time></td></tr></table>",
                                      Place("/pub/"));
    ASSERT_EQ(EntryNames(caddy), (std::vector<std::string>{"big.iso"}));
}

TEST(IndexPageTest, FoldersLinkedWithoutASlashAreKnownByThePagesOwnMarks)
{
    // Pages that link folders without "/" and mark them otherwise, each
    // row with a file beside it that must stay a file.
    const std::string page =
        "<table class=\"directory-listing\">"
        "<tr><td><img src=\"/icons/folder.gif\" alt=\"[DIR]\"></td><td><a href=\"icon\">icon</a></td>"
        "<td>2026-12-07 12:00</td><td>  - </td></tr>"
        "<tr><td><img src=\"/icons/text.gif\" alt=\"[TXT]\"></td><td><a href=\"notes\">notes</a></td>"
        "<td>2026-12-07 12:00</td><td>1.2K</td></tr>"
        "<tr><td><a href=\"dosdir\">dosdir</a></td><td>&lt;dir&gt;</td></tr>"
        "<tr><td><a href=\"word\">word</a></td><td>Directory</td></tr>"
        "<tr><td><a href=\"dash\">dash</a></td><td>2026-12-07 12:00</td><td>-</td></tr>"
        "<tr class=\"folder\"><td><a href=\"rowclass\">rowclass</a></td></tr>"
        "<tr><td><a class=\"icon icon-dir\" href=\"linkclass\">linkclass</a></td></tr>"
        "<tr><td><a title=\"Folder\" href=\"titled\">titled</a></td></tr>"
        "<tr><td><a href=\"plain.iso\">plain.iso</a></td><td>2026-12-07 12:00</td><td>4096</td></tr>"
        "</table>"
        "<ul class=\"dir\"><li class=\"folder\"><a href=\"item\">item</a></li><li><a href=\"file.txt\">file.txt</a>"
        "</li></ul>";
    const auto entries = ParseIndexPage(page, Place("/pub/"));
    EXPECT_EQ(EntryNames(entries),
              (std::vector<std::string>{"icon/", "notes", "dosdir/", "word/", "dash/", "rowclass/", "linkclass/",
                                        "titled/", "plain.iso", "item/", "file.txt"}));
}

TEST(IndexPageTest, OnlyDirectChildrenOnThisServerAreEntries)
{
    const std::string page = "<ul>"
                             "<li><a href=\"a.mp3\">a</a></li>"
                             "<li><a href=\"./b.mp3\">b</a></li>"
                             "<li><a href=\"/pub/c.mp3\">c</a></li>"
                             "<li><a href=\"http://FILES.example.org:8080/pub/d.mp3\">d</a></li>"
                             "<li><a href=\"//files.example.org:8080/pub/e/\">e</a></li>"
                             "<li><a href=\"http://files.example.org/pub/other-port.mp3\">port 80</a></li>"
                             "<li><a href=\"https://files.example.org:8080/pub/other-scheme.mp3\">https</a></li>"
                             "<li><a href=\"http://evil.example.net/pub/x.mp3\">elsewhere</a></li>"
                             "<li><a href=\"http://evil.example.net:8080/pub/y.mp3\">same port</a></li>"
                             "<li><a href=\"//evil.example.net:8080/pub/z.mp3\">same port, no scheme</a></li>"
                             "<li><a href=\"../up.mp3\">up</a></li>"
                             "<li><a href=\"/pub/../pub/../etc/passwd\">dots</a></li>"
                             "<li><a href=\"deeper/x.mp3\">deeper</a></li>"
                             "<li><a href=\"sneaky%2Fname.mp3\">%2F</a></li>"
                             "<li><a href=\"%2e%2e/\">encoded dots</a></li>"
                             "<li><a href=\"?C=M;O=A\">sort</a></li>"
                             "<li><a href=\"#top\">top</a></li>"
                             "<li><a href=\"mailto:me@example.org\">mail</a></li>"
                             "<li><a href=\"javascript:alert(1)\">js</a></li>"
                             "<li><a href=\"a.mp3\">a again</a></li>"
                             "<li><a href=\"tab%09.mp3\">control</a></li>"
                             "<li><a>no href</a></li>"
                             "</ul>";
    EXPECT_EQ(EntryNames(ParseIndexPage(page, Place("/pub/"))),
              (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e/"}))
        << "nothing from another server, port or scheme, above or below the directory, or a name that hides "
           "a slash, dots or a control byte";
}

TEST(IndexPageTest, AHostilePageEndsInBoundedTimeWithoutAnEntryItShouldNotHave)
{
    std::string nested;
    for (int i = 0; i < 200000; ++i)
        nested += "<div>";
    nested += "<a href=\"deep.mp3\">deep</a>";
    const auto deep = ParseIndexPage(nested, Place("/"));
    EXPECT_LE(deep.size(), 1u) << "a deep page parses without running out of stack";

    std::string many = "<pre>";
    for (int i = 0; i < 100000; ++i)
        many += "<a href=\"f" + std::to_string(i) + ".mp3\">f</a> 01-Jan-2026 00:00 " + std::to_string(i) + "\n";
    const auto entries = ParseIndexPage(many, Place("/"));
    ASSERT_EQ(entries.size(), 100000u);
    EXPECT_EQ(entries.back().size, 99999u);
    EXPECT_TRUE(ParseIndexPage(std::string("\0\xff<a href=\"x\">", 14), Place("/")).size() <= 1);
}

TEST(IndexPageTest, APageReadInPiecesGivesWhatTheWholePageGivesAndStopsAtTheCap)
{
    // The reader gets the page as the network hands it over: a tag, a
    // name or a date may be split anywhere.
    std::string page = "<html><body><h1>Index of /pub/</h1><hr><pre><a href=\"../\">../</a>\r\n";
    for (int i = 0; i < 300; ++i)
        page += "<a href=\"f" + std::to_string(i) + ".bin\">f" + std::to_string(i) +
                ".bin</a>                 06-Dec-2026 09:30              " + std::to_string(1000 + i) + "\r\n";
    page += "<a href=\"sub/\">sub/</a>                 07-Dec-2026 12:00                   -\r\n</pre></body></html>";
    const auto whole = ParseIndexPage(page, Place("/pub/"));
    ASSERT_EQ(whole.size(), 301u);
    EXPECT_EQ(whole[299].size, 1299u);
    EXPECT_TRUE(whole[300].isDirectory);
    for (const std::size_t piece : {1u, 7u, 4096u}) {
        IndexPageReader reader(Place("/pub/"));
        for (std::size_t at = 0; at < page.size(); at += piece)
            reader.Feed(std::string_view(page).substr(at, piece));
        const auto pieces = reader.Finish();
        ASSERT_EQ(pieces.size(), whole.size()) << piece;
        for (std::size_t i = 0; i < whole.size(); ++i) {
            EXPECT_EQ(pieces[i].name, whole[i].name) << piece;
            EXPECT_EQ(pieces[i].size, whole[i].size) << piece;
            EXPECT_EQ(pieces[i].modified, whole[i].modified) << piece;
        }
    }

    // However the page ends after the cap, no entry more comes.
    for (const std::size_t cap : {1u, 2u, 3u}) {
        for (const std::size_t piece : {1u, 3u, 1000u}) {
            IndexPageReader reader(Place("/pub/"), cap);
            const std::string links = "<a href=\"x\">x</a><a href=\"y\">y</a><a href=\"z\">z</a><a href=\"w\">w</a>";
            for (std::size_t at = 0; at < links.size() && reader.Feed(std::string_view(links).substr(at, piece));
                 at += piece) {
            }
            EXPECT_EQ(reader.Finish().size(), cap) << cap << " " << piece;
        }
    }

    IndexPageReader capped(Place("/pub/"), 10);
    bool wantsMore = true;
    for (std::size_t at = 0; at < page.size() && wantsMore; at += 100)
        wantsMore = capped.Feed(std::string_view(page).substr(at, 100));
    EXPECT_FALSE(wantsMore) << "a full reader asks for no more of the page";
    EXPECT_TRUE(capped.IsFull());
    EXPECT_EQ(capped.Finish().size(), 10u);
}

} // namespace
} // namespace velmora
