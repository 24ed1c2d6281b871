// The index pages of the servers people browse, each written from its
// server's documented or source-defined format, for a folder /pub/ with a
// subfolder "docs", a file "release-1.0.tar.gz" and, where the server
// writes them, a parent link, sort links and icons that must not count.

#include <gtest/gtest.h>

#include "browse/entry-names.h"
#include "browse/index-page.h"
#include "browse/listing-text.h"

namespace velmora {
namespace {

using test::EntryNames;

struct ServerPage {
    const char* server;
    std::string page;
};

const std::vector<ServerPage>& ServerPages()
{
    static const std::vector<ServerPage> pages = {
        {"Apache, plain list (no FancyIndexing)",
         "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<html>\n <head>\n  <title>Index of /pub</title>\n"
         " </head>\n <body>\n<h1>Index of /pub</h1>\n<ul><li><a href=\"/\"> Parent Directory</a></li>\n"
         "<li><a href=\"docs/\"> docs/</a></li>\n<li><a href=\"release-1.0.tar.gz\"> release-1.0.tar.gz</a></li>\n"
         "</ul>\n</body></html>\n"},
        {"Apache, FancyIndexing as preformatted text",
         "<html><body><h1>Index of /pub</h1><pre><img src=\"/icons/blank.gif\" alt=\"Icon \"> "
         "<a href=\"?C=N;O=D\">Name</a>                    <a href=\"?C=M;O=A\">Last modified</a>      "
         "<a href=\"?C=S;O=A\">Size</a>  <a href=\"?C=D;O=A\">Description</a><hr>"
         "<img src=\"/icons/back.gif\" alt=\"[PARENTDIR]\"> <a href=\"/\">Parent Directory</a>"
         "                             -   \n"
         "<img src=\"/icons/folder.gif\" alt=\"[DIR]\"> <a href=\"docs/\">docs/</a>                   "
         "2026-12-07 12:00    -   \n"
         "<img src=\"/icons/compressed.gif\" alt=\"[   ]\"> <a href=\"release-1.0.tar.gz\">release-1.0.tar.gz</a>"
         "      2026-12-06 09:30  4.2M  \n<hr></pre>\n</body></html>\n"},
        {"nginx, fancyindex",
         "<table id=\"list\"><thead><tr><th style=\"width:55%\"><a href=\"?C=N&amp;O=A\">File Name</a>&nbsp;"
         "<a href=\"?C=N&amp;O=D\">&nbsp;&darr;&nbsp;</a></th><th style=\"width:20%\"><a href=\"?C=S&amp;O=A\">"
         "File Size</a></th><th style=\"width:25%\"><a href=\"?C=M&amp;O=A\">Date</a></th></tr></thead>\n<tbody>\n"
         "<tr><td class=\"link\"><a href=\"../\">Parent directory/</a></td><td class=\"size\">-</td>"
         "<td class=\"date\">-</td></tr>\n"
         "<tr><td class=\"link\"><a href=\"docs/\" title=\"docs\">docs/</a></td><td class=\"size\">-</td>"
         "<td class=\"date\">2026-Dec-07 12:00</td></tr>\n"
         "<tr><td class=\"link\"><a href=\"release-1.0.tar.gz\" title=\"release-1.0.tar.gz\">release-1.0.tar.gz</a>"
         "</td><td class=\"size\">4.2 MiB</td><td class=\"date\">2026-Dec-06 09:30</td></tr>\n</tbody></table>"},
        {"IIS, directory browsing",
         "<html><head><title>files.example.org - /pub/</title></head><body><H1>files.example.org - /pub/</H1><hr>\n\n"
         "<pre><A HREF=\"/\">[To Parent Directory]</A><br><br> 12/7/2026 12:00 PM        &lt;dir&gt; "
         "<A HREF=\"/pub/docs/\">docs</A><br> 12/6/2026  9:30 AM      4404019 "
         "<A HREF=\"/pub/release-1.0.tar.gz\">release-1.0.tar.gz</A><br></pre><hr></body></html>"},
        {"Caddy, file_server browse",
         "<table aria-describedby=\"summary\"><thead><tr><th></th><th><a href=\"?sort=name&amp;order=desc\">Name</a>"
         "</th><th><a href=\"?sort=size&amp;order=asc\">Size</a></th><th class=\"hideable\">"
         "<a href=\"?sort=time&amp;order=asc\">Modified</a></th></tr></thead><tbody>"
         "<tr><td></td><td><a href=\"..\"><span class=\"go-up\">Up</span></a></td><td>&mdash;</td><td></td></tr>"
         "<tr class=\"file\"><td></td><td><a href=\"./docs/\"><svg class=\"icon\"></svg><span class=\"name\">docs"
         "</span></a></td><td data-order=\"-1\">&mdash;</td><td class=\"timestamp hideable\">"
         "<time datetime=\"2026-12-07T12:00:00Z\">12/07/2026 12:00:00 PM +00:00</time></td></tr>"
         "<tr class=\"file\"><td></td><td><a href=\"./release-1.0.tar.gz\"><svg class=\"icon\"></svg>"
         "<span class=\"name\">release-1.0.tar.gz</span></a></td><td class=\"size\" data-order=\"4404019\">"
         "<div class=\"sizebar\"><div class=\"sizebar-text\">4.2 MiB</div></div></td><td class=\"timestamp hideable\">"
         "<time datetime=\"2026-12-06T09:30:00Z\">12/06/2026 09:30:00 AM +00:00</time></td></tr></tbody></table>"},
        {"h5ai, its page without scripts",
         "<div id=\"fallback\"><table><tr><th class=\"fb-i\"></th><th class=\"fb-n\"><span>Name</span></th>"
         "<th class=\"fb-d\"><span>Last modified</span></th><th class=\"fb-s\"><span>Size</span></th></tr>"
         "<tr><td class=\"fb-i\"><img src=\"/_h5ai/public/images/fallback/folder-parent.png\" alt=\"folder-parent\"/>"
         "</td><td class=\"fb-n\"><a href=\"..\">Parent Directory</a></td><td class=\"fb-d\"></td>"
         "<td class=\"fb-s\"></td></tr>"
         "<tr><td class=\"fb-i\"><img src=\"/_h5ai/public/images/fallback/folder.png\" alt=\"folder\"/></td>"
         "<td class=\"fb-n\"><a href=\"/pub/docs/\">docs</a></td><td class=\"fb-d\">2026-12-07 12:00</td>"
         "<td class=\"fb-s\"></td></tr>"
         "<tr><td class=\"fb-i\"><img src=\"/_h5ai/public/images/fallback/file.png\" alt=\"file\"/></td>"
         "<td class=\"fb-n\"><a href=\"/pub/release-1.0.tar.gz\">release-1.0.tar.gz</a></td>"
         "<td class=\"fb-d\">2026-12-06 09:30</td><td class=\"fb-s\">4301 KB</td></tr></table></div>"},
        {"Python, http.server",
         "<!DOCTYPE HTML>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>Directory listing for /pub/</title>\n</head>\n<body>\n<h1>Directory listing for /pub/</h1>\n<hr>\n"
         "<ul>\n<li><a href=\"docs/\">docs/</a></li>\n<li><a href=\"release-1.0.tar.gz\">release-1.0.tar.gz</a></li>\n"
         "</ul>\n<hr>\n</body>\n</html>\n"},
        {"Tomcat, DefaultServlet listings",
         "<html><head><title>Directory Listing For [/pub/]</title></head><body><h1>Directory Listing For [/pub/] - "
         "<a href=\"/\"><b>Up To [/]</b></a></h1><hr class=\"line\"><table width=\"100%\" cellspacing=\"0\" "
         "cellpadding=\"5\" align=\"center\">\n<tr>\n<td align=\"left\"><font size=\"+1\"><strong>Filename</strong>"
         "</font></td>\n<td align=\"center\"><font size=\"+1\"><strong>Size</strong></font></td>\n"
         "<td align=\"right\"><font size=\"+1\"><strong>Last Modified</strong></font></td>\n</tr><tr>\n"
         "<td align=\"left\">&nbsp;&nbsp;\n<a href=\"/pub/docs/\"><tt>docs/</tt></a></td>\n"
         "<td align=\"right\"><tt>&nbsp;</tt></td>\n<td align=\"right\"><tt>Mon, 07 Dec 2026 12:00:00 GMT</tt></td>\n"
         "</tr>\n<tr bgcolor=\"#eeeeee\">\n<td align=\"left\">&nbsp;&nbsp;\n"
         "<a href=\"/pub/release-1.0.tar.gz\"><tt>release-1.0.tar.gz</tt></a></td>\n"
         "<td align=\"right\"><tt>4300.8 kb</tt></td>\n<td align=\"right\"><tt>Sun, 06 Dec 2026 09:30:00 GMT</tt>"
         "</td>\n</tr>\n</table>\n<hr class=\"line\"><h3>Apache Tomcat</h3></body>\n</html>\n"},
        {"Jetty, its listing table",
         "<html><head><link href=\"jetty-dir.css\" rel=\"stylesheet\" /><title>Directory: /pub/</title></head>"
         "<body><h1 class=\"title\">Directory: /pub/</h1><table class=\"listing\"><thead><tr>"
         "<th class=\"name\"><a href=\"?C=N&amp;O=D\">Name &nbsp; &#8679;</a></th><th class=\"lastmodified\">"
         "<a href=\"?C=M&amp;O=A\">Last Modified</a></th><th class=\"size\"><a href=\"?C=S&amp;O=A\">Size</a></th>"
         "</tr></thead><tbody><tr><td class=\"name\"><a href=\"/pub/../\">Parent Directory</a></td>"
         "<td class=\"lastmodified\">-</td><td>-</td></tr>"
         "<tr><td class=\"name\"><a href=\"/pub/docs/\">docs/&nbsp;</a></td><td class=\"lastmodified\">"
         "Dec 7, 2026, 12:00:00 PM&nbsp;</td><td class=\"size\">-&nbsp;</td></tr>"
         "<tr><td class=\"name\"><a href=\"/pub/release-1.0.tar.gz\">release-1.0.tar.gz&nbsp;</a></td>"
         "<td class=\"lastmodified\">Dec 6, 2026, 9:30:00 AM&nbsp;</td><td class=\"size\">4,404,019 bytes&nbsp;</td>"
         "</tr></tbody></table></body></html>"},
    };
    return pages;
}

TEST(ServerListingsTest, EachServersPageGivesExactlyItsFolderAndItsFile)
{
    for (const ServerPage& each : ServerPages()) {
        SCOPED_TRACE(each.server);
        const auto entries = ParseIndexPage(each.page, {"http", "files.example.org", 80, "/pub/"});
        EXPECT_EQ(EntryNames(entries), (std::vector<std::string>{"docs/", "release-1.0.tar.gz"}));
        // What a page tells of the file must be right; a page may tell nothing.
        ASSERT_EQ(entries.size(), 2u);
        const ListedEntry& file = entries[1];
        if (file.size) {
            EXPECT_NEAR(static_cast<double>(*file.size), 4404019.0, 4404019.0 * 0.01);
        }
        if (file.modified) {
            EXPECT_EQ(*file.modified, *MakeUtcTime(2026, 12, 6, 9, 30, 0));
        }
        if (entries[0].modified) {
            EXPECT_EQ(*entries[0].modified, *MakeUtcTime(2026, 12, 7, 12, 0, 0));
        }
        EXPECT_FALSE(entries[0].size) << "a folder has no size";
        EXPECT_FALSE(file.kindUnknown || entries[0].kindUnknown);
    }
}

TEST(ServerListingsTest, ATitleThatIsTheFilesOwnNameMarksNoFolder)
{
    const auto entries =
        ParseIndexPage("<table><tr><td class=\"link\"><a href=\"folder.jpg\" title=\"folder.jpg\">folder.jpg</a></td>"
                       "<td class=\"size\">12</td></tr><tr><td class=\"link\"><a href=\"Directory Opus\" "
                       "title=\"Directory Opus\">Directory Opus</a></td></tr><tr><td><a href=\"music\" "
                       "title=\"Folder\">music</a></td></tr></table>",
                       {"http", "files.example.org", 80, "/pub/"});
    EXPECT_EQ(EntryNames(entries), (std::vector<std::string>{"folder.jpg", "Directory Opus", "music/"}));
}

TEST(ServerListingsTest, SizesWithAUnitAfterABlankAreRoundedNotCountsOfBytes)
{
    const auto entries = ParseIndexPage("<table><tr><td><a href=\"a.iso\">a.iso</a></td><td>2026-12-06 09:30</td>"
                                        "<td>4301 KB</td></tr><tr><td><a href=\"b.txt\">b.txt</a></td>"
                                        "<td>2026-12-06 09:30</td><td>12 bytes</td></tr></table>",
                                        {"http", "files.example.org", 80, "/pub/"});
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].size, 4301u * 1024);
    EXPECT_TRUE(entries[0].sizeApproximate);
    EXPECT_EQ(entries[1].size, 12u);
    EXPECT_FALSE(entries[1].sizeApproximate);
}

} // namespace
} // namespace velmora
