#include "results/ui/results-model.h"

#include <QDateTime>
#include <QFont>

#include <algorithm>
#include <unordered_map>

#include "platform/text-escape.h"
#include "results/result-actions.h"
#include "ui-common/tree-images.h"

namespace velmora {

namespace {

// An index's internal id: a directory node, or the node that holds a file.
constexpr quintptr kFileFlag = quintptr{1} << 32;

// A name or path as a server sent it, readable even when it is no UTF-8.
QString FromView(std::string_view text)
{
    return QString::fromStdString(ReadableName(text));
}

} // namespace

QString FormatFileSize(std::uint64_t bytes)
{
    const auto value = static_cast<double>(bytes);
    if (bytes >= 1024ull * 1024 * 1024)
        return QString::number(value / (1024.0 * 1024 * 1024), 'f', 2) + QStringLiteral(" GB");
    if (bytes >= 1024ull * 1024)
        return QString::number(value / (1024.0 * 1024), 'f', 1) + QStringLiteral(" MB");
    if (bytes >= 1024)
        return QString::number(bytes / 1024) + QStringLiteral(" KB");
    return QString::number(bytes) + QStringLiteral(" bytes");
}

ResultsModel::ResultsModel(QObject* parent) : QAbstractItemModel(parent) {}

void ResultsModel::Show(const ResultList& list, std::string server, int style)
{
    const bool same = m_list == &list && m_server == server && m_options.style == style;
    m_list = &list;
    m_server = std::move(server);
    m_options.style = style;
    if (same)
        RebuildKeepingPlaces();
    else
        Rebuild();
}

void ResultsModel::Refresh()
{
    if (m_list != nullptr)
        RebuildKeepingPlaces();
}

QString ResultsModel::SetFilter(const QString& text)
{
    // Words that do not read as a filter's are looked for in the names, as
    // they were typed, and the user is told why.
    const Result<FilterWords> words = ParseFilterWords(text.toStdString());
    m_options.nameFilter = words ? words->names : text.toStdString();
    m_options.fileFilter = words ? words->filter : FileFilter{};
    Refresh();
    return QString::fromStdString(words.Why());
}

void ResultsModel::SetOnlyNew(bool onlyNew)
{
    if (m_options.onlyNew == onlyNew)
        return;
    m_options.onlyNew = onlyNew;
    Refresh();
}

void ResultsModel::Clear()
{
    beginResetModel();
    m_list = nullptr;
    m_server.clear();
    m_view.Clear();
    m_shown.clear();
    endResetModel();
}

void ResultsModel::Rebuild()
{
    beginResetModel();
    m_view.Build(*m_list, m_server, m_options);
    m_shown.clear();
    endResetModel();
}

std::size_t ResultsModel::ShownRows(std::uint32_t node) const
{
    const std::size_t rows = m_view.GetRowCount(node);
    if (rows <= kRowsAtOnce)
        return rows;
    const auto shown = m_shown.find(node);
    return std::min(rows, shown == m_shown.end() ? kRowsAtOnce : shown->second);
}

QModelIndex ResultsModel::NodeIndex(std::uint32_t node) const
{
    return node == ResultsView::kRoot ? QModelIndex()
                                      : createIndex(static_cast<int>(m_view.GetRow(node)), 0, quintptr{node});
}

void ResultsModel::ShowRows(std::uint32_t node, std::size_t rows)
{
    if (node != ResultsView::kRoot)
        ShowRows(m_view.GetParent(node), m_view.GetRow(node) + 1);
    const std::size_t from = ShownRows(node);
    const std::size_t to = std::min(rows, m_view.GetRowCount(node));
    if (to <= from)
        return;
    beginInsertRows(NodeIndex(node), static_cast<int>(from), static_cast<int>(to - 1));
    m_shown[node] = to;
    endInsertRows();
}

bool ResultsModel::canFetchMore(const QModelIndex& parent) const
{
    const std::uint32_t node = NodeOf(parent);
    return node != UINT32_MAX && ShownRows(node) < m_view.GetRowCount(node);
}

void ResultsModel::fetchMore(const QModelIndex& parent)
{
    const std::uint32_t node = NodeOf(parent);
    if (node != UINT32_MAX)
        ShowRows(node, ShownRows(node) + kRowsAtOnce);
}

void ResultsModel::ShowAllRows()
{
    for (std::uint32_t node = 0; node < m_view.GetNodeCount(); ++node)
        ShowRows(node, m_view.GetRowCount(node));
}

// A directory node by its path from the root ("/music/", "live/", ...):
// the same folder in a rebuilt view, which numbers its nodes anew.
std::string ResultsModel::DirectoryKey(std::uint32_t node) const
{
    std::string key;
    for (; node != ResultsView::kRoot; node = m_view.GetParent(node))
        key.insert(0, m_view.GetText(node) + '\n');
    return key;
}

// The same server again (new results, another order or filter): the view
// keeps its open folders, its selection and its current item, which a
// reset would lose, by moving every persistent index to where its folder
// or file now stands.
// What each persistent index stood for before a rebuild: a file's record,
// or a folder's path; `files` learns where each record is now.
struct ResultsModel::Places {
    std::vector<std::optional<ResultId>> records;
    std::vector<std::string> folders;
    std::unordered_map<ResultId, QModelIndex> files;
};

ResultsModel::Places ResultsModel::RememberPlaces(const QModelIndexList& before) const
{
    Places places;
    places.records.resize(static_cast<std::size_t>(before.size()));
    places.folders.resize(static_cast<std::size_t>(before.size()));
    for (qsizetype i = 0; i < before.size(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        places.records[at] = GetRecord(before[i]);
        if (places.records[at])
            places.files.emplace(*places.records[at], QModelIndex());
        else if (before[i].isValid())
            places.folders[at] = DirectoryKey(static_cast<std::uint32_t>(before[i].internalId()));
    }
    return places;
}

void ResultsModel::RebuildView()
{
    // Folders are numbered anew: only the top's shown rows carry over.
    const auto rootShown = m_shown.find(ResultsView::kRoot);
    const std::size_t topRows = rootShown == m_shown.end() ? kRowsAtOnce : rootShown->second;
    m_view.Build(*m_list, m_server, m_options);
    m_shown.clear();
    if (topRows > kRowsAtOnce)
        m_shown[ResultsView::kRoot] = topRows;
}

// The rebuilt view's folders by path, and each remembered file's new index.
std::unordered_map<std::string, std::uint32_t> ResultsModel::FindPlacesAgain(Places& places) const
{
    std::unordered_map<std::string, std::uint32_t> directories;
    for (std::uint32_t node = 0; node < m_view.GetNodeCount(); ++node) {
        for (std::size_t row = 0; row < m_view.GetRowCount(node); ++row) {
            const std::uint32_t child = m_view.GetChild(node, row);
            if (child & ResultsView::kDirectoryBit)
                directories.emplace(DirectoryKey(child & ~ResultsView::kDirectoryBit),
                                    child & ~ResultsView::kDirectoryBit);
            else if (const auto found = places.files.find(child); found != places.files.end())
                found->second = createIndex(static_cast<int>(row), 0, kFileFlag | node);
        }
    }
    return directories;
}

void ResultsModel::RebuildKeepingPlaces()
{
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    Places places = RememberPlaces(before);
    RebuildView();
    const auto directories = FindPlacesAgain(places);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const QModelIndex& old = before[i];
        const auto at = static_cast<std::size_t>(i);
        QModelIndex now;
        if (places.records[at]) {
            now = places.files[*places.records[at]];
        } else if (const auto found = directories.find(places.folders[at]);
                   old.isValid() && found != directories.end()) {
            now = createIndex(static_cast<int>(m_view.GetRow(found->second)), 0, quintptr{found->second});
        }
        after.push_back(now.isValid() && old.column() < columnCount() ? now.siblingAtColumn(old.column()) : now);
        // What the view holds on to stays among the rows it is told of.
        if (now.isValid()) {
            const std::uint32_t node = NodeOf(now.parent());
            if (static_cast<std::size_t>(now.row()) >= ShownRows(node))
                m_shown[node] = static_cast<std::size_t>(now.row()) + 1;
        }
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

std::uint32_t ResultsModel::NodeOf(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return ResultsView::kRoot;
    // Only a directory has rows.
    if (parent.internalId() & kFileFlag)
        return UINT32_MAX;
    return static_cast<std::uint32_t>(parent.internalId());
}

QModelIndex ResultsModel::index(int row, int column, const QModelIndex& parent) const
{
    const std::uint32_t node = NodeOf(parent);
    if (node == UINT32_MAX || row < 0 || column < 0 || column >= columnCount() ||
        static_cast<std::size_t>(row) >= ShownRows(node))
        return {};
    const std::uint32_t child = m_view.GetChild(node, static_cast<std::size_t>(row));
    if (child & ResultsView::kDirectoryBit)
        return createIndex(row, column, quintptr{child & ~ResultsView::kDirectoryBit});
    return createIndex(row, column, kFileFlag | node);
}

QModelIndex ResultsModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    const auto id = static_cast<std::uint32_t>(child.internalId() & 0xFFFFFFFFu);
    const std::uint32_t holder = (child.internalId() & kFileFlag) ? id : m_view.GetParent(id);
    if (holder == ResultsView::kRoot)
        return {};
    return createIndex(static_cast<int>(m_view.GetRow(holder)), 0, quintptr{holder});
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    const std::uint32_t node = NodeOf(parent);
    return node == UINT32_MAX ? 0 : static_cast<int>(ShownRows(node));
}

int ResultsModel::columnCount(const QModelIndex&) const
{
    return m_options.style == kViewDetailed ? 4 : 1;
}

std::optional<ResultId> ResultsModel::GetRecord(const QModelIndex& index) const
{
    if (!index.isValid() || !(index.internalId() & kFileFlag) || m_list == nullptr)
        return std::nullopt;
    const auto node = static_cast<std::uint32_t>(index.internalId() & 0xFFFFFFFFu);
    return m_view.GetChild(node, static_cast<std::size_t>(index.row()));
}

QModelIndex ResultsModel::FindRecord(ResultId record)
{
    for (std::uint32_t node = 0; node < m_view.GetNodeCount(); ++node) {
        for (std::size_t row = 0; row < m_view.GetRowCount(node); ++row) {
            if (m_view.GetChild(node, row) == record) {
                ShowRows(node, row + 1);
                return createIndex(static_cast<int>(row), 0, kFileFlag | node);
            }
        }
    }
    return {};
}

QVariant ResultsModel::FileText(ResultId record, int column) const
{
    const ResultList& list = *m_list;
    if (column == 1) {
        const auto size = list.GetSize(record);
        if (!size)
            return QVariant();
        // A size the listing rounded is shown as about that much.
        return list.IsSizeApproximate(record) ? QStringLiteral("~") + FormatFileSize(*size) : FormatFileSize(*size);
    }
    if (column == 2) {
        const auto modified = list.GetModified(record);
        return modified ? QDateTime::fromSecsSinceEpoch(*modified).toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                        : QVariant();
    }
    if (column == 3) {
        const std::size_t mirrors = m_findMirrors ? m_findMirrors(record).size() : 0;
        return mirrors > 0 ? QVariant(static_cast<qulonglong>(mirrors)) : QVariant();
    }
    if (m_options.style == kViewHalfDetailed)
        return FromView(list.GetPath(record));
    return FromView(list.GetName(record));
}

QString ResultsModel::FileTip(ResultId record) const
{
    const ResultEntry entry = m_list->Get(record);
    QString tip = FromView(entry.path);
    if (entry.size)
        tip += QStringLiteral("\n%1 bytes").arg(*entry.size);
    if (!entry.description.empty())
        tip += QStringLiteral("\n") + QString::fromStdString(entry.description);
    if (m_list->IsNew(record))
        tip += QStringLiteral("\nNew: no earlier search of these words found it");
    if (const FileCheck* check = m_findCheck ? m_findCheck(record) : nullptr)
        tip += QStringLiteral("\n") + QString::fromStdString(DescribeFileCheck(*check));
    const std::vector<ResultId> mirrors = m_findMirrors ? m_findMirrors(record) : std::vector<ResultId>();
    if (!mirrors.empty()) {
        // A tip is no list of a thousand servers: the first few, and how many
        // more; their logins are the server details' to show.
        constexpr std::size_t kMirrorsTold = 8;
        tip += mirrors.size() == 1 ? QStringLiteral("\nAlso on 1 other server:")
                                   : QStringLiteral("\nAlso on %1 other servers:").arg(mirrors.size());
        for (std::size_t i = 0; i < std::min(mirrors.size(), kMirrorsTold); ++i)
            tip += QStringLiteral("\n  ") + FromView(BuildUrlWithoutLogin(m_list->Get(mirrors[i])));
        if (mirrors.size() > kMirrorsTold)
            tip += QStringLiteral("\n  and %1 more").arg(mirrors.size() - kMirrorsTold);
    }
    return tip;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || m_list == nullptr)
        return {};
    const std::optional<ResultId> record = GetRecord(index);
    if (!record) {
        if (role == Qt::DisplayRole && index.column() == 0)
            return FromView(m_view.GetText(static_cast<std::uint32_t>(index.internalId())));
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return FileText(*record, index.column());
    case Qt::ToolTipRole:
        return FileTip(*record);
    case Qt::DecorationRole: {
        // A checked file's mark: there, or not there.
        const FileCheck* check = index.column() == 0 && m_findCheck ? m_findCheck(*record) : nullptr;
        return check ? QVariant(GetTreeImage(check->alive ? kStateSuccess : kStateFailure)) : QVariant();
    }
    case Qt::FontRole: {
        if (!m_list->IsNew(*record))
            return {};
        QFont font;
        font.setBold(true);
        return font;
    }
    case Qt::TextAlignmentRole:
        return index.column() == 1 || index.column() == 3 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case kRecordRole:
        return QVariant::fromValue(static_cast<qulonglong>(*record) + 1);
    default:
        return {};
    }
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case 0:
        return m_options.style == kViewHalfDetailed ? QStringLiteral("Path") : QStringLiteral("Name");
    case 1:
        return QStringLiteral("Size");
    case 2:
        return QStringLiteral("Modified");
    case 3:
        return QStringLiteral("Mirrors");
    default:
        return {};
    }
}

void ResultsModel::sort(int column, Qt::SortOrder order)
{
    static constexpr ViewSort kSorts[] = {ViewSort::Name, ViewSort::Size, ViewSort::Modified};
    m_options.sort = column >= 0 && column < 3 ? kSorts[column] : ViewSort::None;
    m_options.descending = order == Qt::DescendingOrder;
    Refresh();
}

} // namespace velmora
