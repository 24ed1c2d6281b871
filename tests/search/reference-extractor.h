#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

struct ReferenceLink {
    bool http = false;
    std::string url;
    std::string text;
    bool operator==(const ReferenceLink&) const = default;
};

// The link scan done the slow, literal way: a lowercased copy and an
// own-case copy of the rest of the page, both cut after every step. Used
// only to check the fast scanner on small pages.
std::vector<ReferenceLink> ReferenceExtract(std::string_view page, bool http);

} // namespace velmora::test
