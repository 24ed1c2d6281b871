#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/view-settings.h"

namespace velmora {

struct ResultEntry;
class ResultList;

// The text after the last "/", or the whole path when it has none.
std::string GetFilePart(std::string_view path);
// The text up to and including the last "/", or "/" when it has none.
std::string GetDirPart(std::string_view path);

// One item of the results tree; `record` is the record it stands for (a
// directory item: the record whose insertion created it).
struct ViewItem {
    std::string text;
    const ResultEntry* record = nullptr;
    std::vector<ViewItem> children;
};

// The results tree for one server: every record of that server (any
// service, any letter case), newest first, in the given style. In the
// Detailed style, directories nest ("/files/" holds "moon/", which holds its
// files), compared without regard to case; each item keeps the order in
// which it first came. Any other style lists nothing.
std::vector<ViewItem> BuildResultsView(const ResultList& results, std::string_view server, int style);

} // namespace velmora
