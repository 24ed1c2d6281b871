#pragma once

#include <string>
#include <vector>

#include "support/page-server.h"

namespace velmora::test {

// Engines that answer as the public search services document their answers,
// served by a PageServer: SearXNG's format=json, Marginalia's API (API-Key
// header), Mojeek's API (api_key in the query, s/t paging), Brave's Search
// API (X-Subscription-Token, offset in pages), a YaCy peer's
// yacysearch.json, and an HTML engine paged by a start offset.
//
// Every engine has kPagesOfResults pages of results; a page past them is
// empty (the JSON engines) or the last page again (the HTML engine, as
// engines that ignore the page asked for do). Page k of engine E holds
// kResultsPerPage results: odd ones are files ("http://files.E.example/
// pub/k-i.iso"), even ones web pages; every page also names an ftp file.
struct EngineWorld {
    static constexpr int kPagesOfResults = 3;
    static constexpr int kResultsPerPage = 4;
    static constexpr const char* kBraveKey = "brave-k3y-secret";
    // "&" and "=" must reach the engine percent-encoded.
    static constexpr const char* kMojeekKey = "mojeek&secret=9";

    explicit EngineWorld(PageServer& server);

    // An engine's section: its name, the path of its Query, and its other
    // keys as lines.
    struct Engine {
        std::string name;
        std::string path;
        std::string keys;
    };
    // Every engine with the keys the world accepts, asked for `pages` pages.
    static std::vector<Engine> Engines(int pages);
    // The same as settings.dat sections pointing at the server.
    std::string Sections(int pages) const;
    // The file URLs a search of `pages` pages of one engine must bring, in
    // the order the engine gives them.
    static std::vector<std::string> FilesOf(const std::string& engine, int pages);

    PageServer& server;
};

// The value of a query parameter of a request path, "" when absent.
std::string QueryParameter(const std::string& path, const std::string& name);
// The value of a request header, names in any case; "" when absent.
std::string RequestHeader(const std::string& head, const std::string& name);

} // namespace velmora::test
