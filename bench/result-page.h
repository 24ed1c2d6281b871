#pragma once

#include <random>
#include <string>

// A result page of about `size` bytes with roughly one anchor per 350 bytes:
// file links over http, https and ftp, relative links, page links, image
// anchors and anchor texts with nested tags, between ordinary markup.
inline std::string MakePage(std::size_t size)
{
    std::mt19937 random(42);
    std::string page = "<!DOCTYPE html><html><head><title>Results</title></head><body>\r\n";
    int n = 0;
    while (page.size() < size) {
        const std::string id = std::to_string(n++);
        page += "<div class=\"result\"><span class=\"meta\">Result " + id +
                " &middot; found on a public mirror, updated recently</span>\r\n<p>Some words about the file, "
                "its size and format, copied from the page it was found on.</p>\r\n";
        switch (random() % 7) {
        case 0:
        case 1:
            page += "<a href=\"http://mirror" + std::to_string(n % 50) + ".example.org/music/album/track" + id +
                    ".mp3\"><b>Track</b> <i>" + id + "</i></a>\r\n";
            break;
        case 2:
            page += "<a HREF=\"FTP://ftp.example.net/pub/files/archive" + id + ".zip\">archive " + id + "</a>\r\n";
            break;
        case 3:
            page += "<a href=\"https://secure.example.com/dl/file" + id + ".tar.gz\">secure " + id + "</a>\r\n";
            break;
        case 4:
            page += "<a href=\"/search?q=more&amp;page=" + id + "\">next page</a>\r\n";
            break;
        case 5:
            page += "<a href=\"http://www.example.org/about/page" + id + ".html\">about</a>\r\n";
            break;
        default:
            page += "<a href=\"http://img.example.org/pics/pic" + id + ".jpg\"><img src=\"t" + id + ".gif\"></a>\r\n";
            break;
        }
        page += "</div>\r\n";
    }
    page.resize(size);
    return page;
}
