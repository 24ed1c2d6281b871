#include "results/result-view.h"

#include <unordered_map>

#include "platform/ascii-case.h"
#include "results/result-list.h"

namespace velmora {

std::string GetFilePart(std::string_view path)
{
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string GetDirPart(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string("/") : std::string(path.substr(0, slash + 1));
}

std::vector<ViewItem> BuildResultsView(const ResultList& results, std::string_view server, int style)
{
    std::vector<ViewItem> roots;
    if (style != kViewList && style != kViewHalfDetailed && style != kViewDetailed)
        return roots;
    const std::vector<ResultEntry*>& records = results.GetServerRecords(server);
    std::unordered_map<std::string, std::size_t> directories; // folded text -> root
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const ResultEntry* record = *it;
        if (style == kViewList) {
            roots.push_back({GetFilePart(record->path), record, {}});
        } else if (style == kViewHalfDetailed) {
            roots.push_back({record->path, record, {}});
        } else {
            std::string directory = GetDirPart(record->path);
            const auto [found, added] = directories.emplace(LowerAscii(directory), roots.size());
            if (added)
                roots.push_back({std::move(directory), record, {}});
            roots[found->second].children.push_back({GetFilePart(record->path), record, {}});
        }
    }
    return roots;
}

} // namespace velmora
