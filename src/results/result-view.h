#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "results/file-filter.h"
#include "results/result-list.h"
#include "settings/view-settings.h"

namespace velmora {

// The text after the last "/", or the whole path when it has none.
std::string GetFilePart(std::string_view path);
// The text up to and including the last "/", or "/" when it has none.
std::string GetDirPart(std::string_view path);

enum class ViewSort { None, Name, Size, Modified };

struct ViewOptions {
    int style = kViewList;
    std::string nameFilter; // only files whose name holds it (any letter case)
    ViewSort sort = ViewSort::None;
    bool descending = false;
    bool onlyNew = false;  // only results the list marks new
    FileFilter fileFilter; // only files of its extensions, sizes and dates
};

// The results tree for one server, as numbers: directory nodes and the ids
// of the records under them, so a million results cost four bytes each
// and no text is copied. Every record of the server (any service, any
// letter case) is listed, newest first unless sorted. List and Half
// Detailed put the files straight under the root; Detailed nests
// directories ("/files/" holds "moon/", which holds its files), compared
// without regard to case, directories before files, each in the order it
// first came. Sorted, directories come first by name, then the files by the
// key asked for.
class ResultsView {
public:
    static constexpr std::uint32_t kRoot = 0;
    // A child with this bit is a directory node; without it, a record id.
    static constexpr std::uint32_t kDirectoryBit = 0x80000000u;

    void Build(const ResultList& list, std::string_view server, const ViewOptions& options);
    void Clear();

    const ViewOptions& GetOptions() const { return m_options; }
    std::size_t GetRowCount(std::uint32_t node) const { return m_nodes[node].children.size(); }
    std::uint32_t GetChild(std::uint32_t node, std::size_t row) const { return m_nodes[node].children[row]; }
    std::uint32_t GetParent(std::uint32_t node) const { return m_nodes[node].parent; }
    std::size_t GetRow(std::uint32_t node) const { return m_nodes[node].row; }
    // A directory node's text: "/music/" at the top, "live/" below.
    const std::string& GetText(std::uint32_t node) const { return m_nodes[node].text; }
    std::size_t GetFileCount() const { return m_files; }
    std::size_t GetNodeCount() const { return m_nodes.size(); }

private:
    struct Node {
        std::uint32_t parent = 0;
        std::uint32_t row = 0;
        std::string text;
        std::vector<std::uint32_t> children;
    };
    void BuildDirectories(const ResultList& list, const std::vector<ResultId>& records);
    void Sort(const ResultList& list);
    void PutDirectoriesFirst();
    void NumberDirectoryRows();

    ViewOptions m_options;
    std::vector<Node> m_nodes{1};
    std::size_t m_files = 0;
};

} // namespace velmora
