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

namespace {

// The Detailed view's directories as they are built: each knows its items in
// the order they came (subdirectories and files alike) by index, so the
// vectors may grow while the tree is built.
struct DirectoryNode {
    ViewItem item;
    std::vector<std::pair<bool, std::size_t>> order; // (is a directory, index)
};

class DirectoryTree {
public:
    // The node of a directory path ("/a/b/"), made with its parents as
    // needed; `record` is the record that first needs it.
    std::size_t Node(std::string_view directory, const ResultEntry* record)
    {
        std::size_t parent = kTop;
        std::size_t at = 1;
        // Files directly under "/" sit in a "/" item of their own.
        if (directory.size() <= 1)
            return Child(kTop, "/", "/", record);
        while (at < directory.size()) {
            const std::size_t slash = directory.find('/', at);
            const std::size_t end = slash == std::string_view::npos ? directory.size() : slash + 1;
            const std::string_view prefix = directory.substr(0, end);
            const std::string text(parent == kTop ? prefix : directory.substr(at, end - at));
            parent = Child(parent, LowerAscii(prefix), text, record);
            at = end;
        }
        return parent;
    }

    void AddFile(std::size_t directory, ViewItem file)
    {
        m_files.push_back(std::move(file));
        m_nodes[directory].order.push_back({false, m_files.size() - 1});
    }

    std::vector<ViewItem> Take()
    {
        std::vector<ViewItem> roots;
        for (const auto& [isDirectory, index] : m_top)
            roots.push_back(Build(index));
        return roots;
    }

private:
    static constexpr std::size_t kTop = static_cast<std::size_t>(-1);

    std::size_t Child(std::size_t parent, const std::string& key, const std::string& text, const ResultEntry* record)
    {
        const auto [found, added] = m_byPath.emplace(key, m_nodes.size());
        if (!added)
            return found->second;
        m_nodes.push_back({{text, record, {}}, {}});
        (parent == kTop ? m_top : m_nodes[parent].order).push_back({true, found->second});
        return found->second;
    }

    ViewItem Build(std::size_t index)
    {
        ViewItem item = std::move(m_nodes[index].item);
        for (const auto& [isDirectory, child] : m_nodes[index].order)
            item.children.push_back(isDirectory ? Build(child) : std::move(m_files[child]));
        return item;
    }

    std::vector<DirectoryNode> m_nodes;
    std::vector<ViewItem> m_files;
    std::vector<std::pair<bool, std::size_t>> m_top;
    std::unordered_map<std::string, std::size_t> m_byPath; // folded directory path -> node
};

} // namespace

std::vector<ViewItem> BuildResultsView(const ResultList& results, std::string_view server, int style)
{
    std::vector<ViewItem> roots;
    if (style != kViewList && style != kViewHalfDetailed && style != kViewDetailed)
        return roots;
    const std::vector<ResultEntry*>& records = results.GetServerRecords(server);
    DirectoryTree directories;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const ResultEntry* record = *it;
        if (style == kViewList)
            roots.push_back({GetFilePart(record->path), record, {}});
        else if (style == kViewHalfDetailed)
            roots.push_back({record->path, record, {}});
        else
            directories.AddFile(directories.Node(GetDirPart(record->path), record),
                                {GetFilePart(record->path), record, {}});
    }
    return style == kViewDetailed ? directories.Take() : roots;
}

} // namespace velmora
