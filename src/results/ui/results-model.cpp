#include "results/ui/results-model.h"

#include <QDateTime>
#include <QFont>

#include "app/ui/tree-images.h"

namespace velmora {

namespace {

// An index's internal id: a directory node, or the node that holds a file.
constexpr quintptr kFileFlag = quintptr{1} << 32;

QString FromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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

CResultsModel::CResultsModel(QObject* parent) : QAbstractItemModel(parent) {}

void CResultsModel::Show(const ResultList& list, std::string server, int style)
{
    m_pList = &list;
    m_strServer = std::move(server);
    m_options.style = style;
    Rebuild();
}

void CResultsModel::Refresh()
{
    if (m_pList != nullptr)
        Rebuild();
}

void CResultsModel::SetNameFilter(const QString& text)
{
    m_options.nameFilter = text.toStdString();
    Refresh();
}

void CResultsModel::SetOnlyNew(bool onlyNew)
{
    if (m_options.onlyNew == onlyNew)
        return;
    m_options.onlyNew = onlyNew;
    Refresh();
}

void CResultsModel::Clear()
{
    beginResetModel();
    m_pList = nullptr;
    m_strServer.clear();
    m_view.Clear();
    endResetModel();
}

void CResultsModel::Rebuild()
{
    beginResetModel();
    m_view.Build(*m_pList, m_strServer, m_options);
    endResetModel();
}

std::uint32_t CResultsModel::NodeOf(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return ResultsView::kRoot;
    // Only a directory has rows.
    if (parent.internalId() & kFileFlag)
        return UINT32_MAX;
    return static_cast<std::uint32_t>(parent.internalId());
}

QModelIndex CResultsModel::index(int row, int column, const QModelIndex& parent) const
{
    const std::uint32_t node = NodeOf(parent);
    if (node == UINT32_MAX || row < 0 || column < 0 || column >= columnCount() ||
        static_cast<std::size_t>(row) >= m_view.GetRowCount(node))
        return {};
    const std::uint32_t child = m_view.GetChild(node, static_cast<std::size_t>(row));
    if (child & ResultsView::kDirectoryBit)
        return createIndex(row, column, quintptr{child & ~ResultsView::kDirectoryBit});
    return createIndex(row, column, kFileFlag | node);
}

QModelIndex CResultsModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    const auto id = static_cast<std::uint32_t>(child.internalId() & 0xFFFFFFFFu);
    const std::uint32_t holder = (child.internalId() & kFileFlag) ? id : m_view.GetParent(id);
    if (holder == ResultsView::kRoot)
        return {};
    return createIndex(static_cast<int>(m_view.GetRow(holder)), 0, quintptr{holder});
}

int CResultsModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    const std::uint32_t node = NodeOf(parent);
    return node == UINT32_MAX ? 0 : static_cast<int>(m_view.GetRowCount(node));
}

int CResultsModel::columnCount(const QModelIndex&) const
{
    return m_options.style == kViewDetailed ? 3 : 1;
}

std::optional<ResultId> CResultsModel::GetRecord(const QModelIndex& index) const
{
    if (!index.isValid() || !(index.internalId() & kFileFlag) || m_pList == nullptr)
        return std::nullopt;
    const auto node = static_cast<std::uint32_t>(index.internalId() & 0xFFFFFFFFu);
    return m_view.GetChild(node, static_cast<std::size_t>(index.row()));
}

QModelIndex CResultsModel::FindRecord(ResultId record) const
{
    for (std::uint32_t node = 0; node < m_view.GetNodeCount(); ++node) {
        for (std::size_t row = 0; row < m_view.GetRowCount(node); ++row) {
            if (m_view.GetChild(node, row) == record)
                return createIndex(static_cast<int>(row), 0, kFileFlag | node);
        }
    }
    return {};
}

QVariant CResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || m_pList == nullptr)
        return {};
    const std::optional<ResultId> record = GetRecord(index);
    if (!record) {
        if (role == Qt::DisplayRole && index.column() == 0)
            return QString::fromStdString(m_view.GetText(static_cast<std::uint32_t>(index.internalId())));
        return {};
    }
    const ResultList& list = *m_pList;
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == 1) {
            const auto size = list.GetSize(*record);
            return size ? FormatFileSize(*size) : QVariant();
        }
        if (index.column() == 2) {
            const auto modified = list.GetModified(*record);
            return modified ? QDateTime::fromSecsSinceEpoch(*modified).toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                            : QVariant();
        }
        if (m_options.style == kViewHalfDetailed)
            return QString::fromStdString(list.GetPath(*record));
        return FromView(list.GetName(*record));
    case Qt::ToolTipRole: {
        const ResultEntry entry = list.Get(*record);
        QString tip = QString::fromStdString(entry.path);
        if (entry.size)
            tip += QStringLiteral("\n%1 bytes").arg(*entry.size);
        if (!entry.description.empty())
            tip += QStringLiteral("\n") + QString::fromStdString(entry.description);
        if (list.IsNew(*record))
            tip += QStringLiteral("\nNew: no earlier search of these words found it");
        return tip;
    }
    case Qt::FontRole: {
        if (!list.IsNew(*record))
            return {};
        QFont font;
        font.setBold(true);
        return font;
    }
    case Qt::TextAlignmentRole:
        return index.column() == 1 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case kRecordRole:
        return QVariant::fromValue(static_cast<qulonglong>(*record) + 1);
    default:
        return {};
    }
}

QVariant CResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
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
    default:
        return {};
    }
}

void CResultsModel::sort(int column, Qt::SortOrder order)
{
    static constexpr ViewSort kSorts[] = {ViewSort::Name, ViewSort::Size, ViewSort::Modified};
    m_options.sort = column >= 0 && column < 3 ? kSorts[column] : ViewSort::None;
    m_options.descending = order == Qt::DescendingOrder;
    Refresh();
}

} // namespace velmora
