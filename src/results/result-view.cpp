#include "results/result-view.h"

#include <algorithm>
#include <unordered_map>

#include "platform/ascii-case.h"

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

bool ContainsNoCase(std::string_view text, std::string_view lowerPart)
{
    if (lowerPart.empty())
        return true;
    if (lowerPart.size() > text.size())
        return false;
    for (std::size_t at = 0; at + lowerPart.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < lowerPart.size() && LowerAscii(text[at + i]) == lowerPart[i])
            ++i;
        if (i == lowerPart.size())
            return true;
    }
    return false;
}

bool LessNoCase(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char x = LowerAscii(a[i]);
        const char y = LowerAscii(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

} // namespace

void ResultsView::Clear()
{
    m_nodes.assign(1, Node{});
    m_files = 0;
}

void ResultsView::Build(const ResultList& list, std::string_view server, const ViewOptions& options)
{
    Clear();
    m_options = options;
    m_options.nameFilter = LowerAscii(options.nameFilter);
    const int style = options.style;
    if (style != kViewList && style != kViewHalfDetailed && style != kViewDetailed)
        return;
    const std::vector<ResultId>& all = list.GetServerRecords(server);
    std::vector<ResultId> records;
    records.reserve(all.size());
    const FileFilter& filter = m_options.fileFilter;
    const bool filtered = !filter.IsEmpty();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if ((!m_options.onlyNew || list.IsNew(*it)) && ContainsNoCase(list.GetName(*it), m_options.nameFilter) &&
            (!filtered || filter.Matches(list.GetName(*it), list.GetSize(*it), list.GetModified(*it))))
            records.push_back(*it);
    }
    m_files = records.size();
    if (style == kViewDetailed)
        BuildDirectories(list, records);
    else
        m_nodes[kRoot].children = std::move(records);
    if (m_options.sort != ViewSort::None)
        Sort(list);
    else if (style == kViewDetailed)
        PutDirectoriesFirst();
}

// Unsorted, each item keeps its arrival order, but folders come before
// files, as in a file manager.
void ResultsView::PutDirectoriesFirst()
{
    for (Node& node : m_nodes) {
        std::stable_partition(node.children.begin(), node.children.end(),
                              [](std::uint32_t child) { return (child & kDirectoryBit) != 0; });
    }
    NumberDirectoryRows();
}

void ResultsView::NumberDirectoryRows()
{
    for (Node& node : m_nodes) {
        for (std::size_t row = 0; row < node.children.size(); ++row) {
            if (node.children[row] & kDirectoryBit)
                m_nodes[node.children[row] & ~kDirectoryBit].row = static_cast<std::uint32_t>(row);
        }
    }
}

// Directories nest by their folded path prefixes; a record's directory is
// looked up once per directory, not once per record.
void ResultsView::BuildDirectories(const ResultList& list, const std::vector<ResultId>& records)
{
    std::unordered_map<std::string, std::uint32_t> byPrefix; // folded "/a/b/" -> node
    std::unordered_map<std::uint32_t, std::uint32_t> byGroup;
    const auto child = [&](std::uint32_t parent, std::string key, std::string text) {
        const auto [found, added] = byPrefix.emplace(std::move(key), static_cast<std::uint32_t>(m_nodes.size()));
        if (added) {
            Node node;
            node.parent = parent;
            node.row = static_cast<std::uint32_t>(m_nodes[parent].children.size());
            node.text = std::move(text);
            m_nodes[parent].children.push_back(kDirectoryBit | found->second);
            m_nodes.push_back(std::move(node));
        }
        return found->second;
    };
    const auto nodeOf = [&](ResultId id) {
        const std::uint32_t group = list.GetDirectoryGroup(id);
        if (const auto found = byGroup.find(group); found != byGroup.end())
            return found->second;
        std::string_view directory = list.GetDirectory(id);
        if (directory.empty())
            directory = "/";
        std::uint32_t parent = kRoot;
        // Files directly under "/" sit in a "/" item of their own.
        if (directory.size() <= 1 || directory.front() != '/') {
            parent = child(kRoot, LowerAscii(directory), std::string(directory));
        } else {
            for (std::size_t at = 1; at < directory.size();) {
                const std::size_t slash = directory.find('/', at);
                const std::size_t end = slash == std::string_view::npos ? directory.size() : slash + 1;
                const std::string_view prefix = directory.substr(0, end);
                parent = child(parent, LowerAscii(prefix),
                               std::string(parent == kRoot ? prefix : directory.substr(at, end - at)));
                at = end;
            }
        }
        byGroup.emplace(group, parent);
        return parent;
    };
    std::uint32_t lastGroup = UINT32_MAX;
    std::uint32_t lastNode = kRoot;
    for (ResultId id : records) {
        const std::uint32_t group = list.GetDirectoryGroup(id);
        if (group != lastGroup) {
            lastNode = nodeOf(id);
            lastGroup = group;
        }
        m_nodes[lastNode].children.push_back(id);
    }
}

void ResultsView::Sort(const ResultList& list)
{
    const ViewOptions& options = m_options;
    const bool byPath = options.style == kViewHalfDetailed;
    const auto fileLess = [&](ResultId a, ResultId b) {
        switch (options.sort) {
        case ViewSort::Size:
            return list.GetSize(a).value_or(0) < list.GetSize(b).value_or(0);
        case ViewSort::Modified:
            return list.GetModified(a).value_or(0) < list.GetModified(b).value_or(0);
        default:
            if (byPath) {
                const std::string_view da = list.GetDirectory(a);
                const std::string_view db = list.GetDirectory(b);
                if (!EqualsNoCase(da, db))
                    return LessNoCase(da, db);
            }
            return LessNoCase(list.GetName(a), list.GetName(b));
        }
    };
    const auto sameKindLess = [&](std::uint32_t a, std::uint32_t b) {
        if (a & kDirectoryBit)
            return LessNoCase(m_nodes[a & ~kDirectoryBit].text, m_nodes[b & ~kDirectoryBit].text);
        return fileLess(a, b);
    };
    // Directories come first either way; the order asked for applies within
    // each kind.
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        const bool aDirectory = (a & kDirectoryBit) != 0;
        if (aDirectory != ((b & kDirectoryBit) != 0))
            return aDirectory;
        return options.descending ? sameKindLess(b, a) : sameKindLess(a, b);
    };
    for (Node& node : m_nodes)
        std::stable_sort(node.children.begin(), node.children.end(), less);
    NumberDirectoryRows();
}

} // namespace velmora
