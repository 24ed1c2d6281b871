#pragma once

#include <QAbstractItemModel>

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "results/file-check.h"
#include "results/result-view.h"

namespace velmora {

// The results tree as a model over the core's result list: rows are read
// from the list when they are drawn, so a server with a million results
// costs no item per result. Detailed adds Size, Modified and Mirrors columns; any
// column sorts, and the name filter narrows the files.
//
// The view lays out every row it is told of before it paints, so a folder
// (or a flat list) of more than kRowsAtOnce files is told of a part at a
// time: the rest comes as the user scrolls to the end, or all at once for
// Select All (ShowAllRows).
class ResultsModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit ResultsModel(QObject* parent);

    // Lists `server`'s records of `list`, which must stay alive until
    // Clear or the next Show.
    void Show(const ResultList& list, std::string server, int style);
    // The same server again, with records that came meanwhile.
    void Refresh();
    // The filter box's text: name words and filter words (ext:iso,img
    // size>100M size<2G since:2025-01-01). Why a filter word is not
    // understood; empty when all are.
    QString SetFilter(const QString& text);
    // Only results no earlier search of the same words held; those are
    // bold either way.
    void SetOnlyNew(bool onlyNew);
    void Clear();
    // Where the model finds a result's latest file check (a mark and a
    // line of its tip); null for none.
    using CheckFinder = std::function<const FileCheck*(ResultId)>;
    void SetCheckFinder(CheckFinder finder) { m_findCheck = std::move(finder); }
    // Where it finds the same file on other servers: Detailed counts them
    // in a column, and a file's tip lists them.
    using MirrorFinder = std::function<std::vector<ResultId>(ResultId)>;
    void SetMirrorFinder(MirrorFinder finder) { m_findMirrors = std::move(finder); }

    // The record an index stands for; nothing for a directory.
    std::optional<ResultId> GetRecord(const QModelIndex& index) const;
    // Where a record is shown, its rows told to the view first when it
    // stands beyond them; invalid when it is not shown (filtered out).
    QModelIndex FindRecord(ResultId record);
    // Every row of every folder told to the view.
    void ShowAllRows();
    const ResultsView& GetView() const { return m_view; }
    bool IsShowing(const std::string& server) const { return m_list != nullptr && m_server == server; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    static constexpr std::size_t kRowsAtOnce = 50000;

private:
    // The rows of a node the view has been told of.
    std::size_t ShownRows(std::uint32_t node) const;
    // Tells the view of the node's rows up to `rows`, its folders' first.
    void ShowRows(std::uint32_t node, std::size_t rows);
    QModelIndex NodeIndex(std::uint32_t node) const;
    std::uint32_t NodeOf(const QModelIndex& parent) const;
    void Rebuild();
    QVariant FileText(ResultId record, int column) const;
    QString FileTip(ResultId record) const;
    struct Places;
    Places RememberPlaces(const QModelIndexList& before) const;
    void RebuildView();
    std::unordered_map<std::string, std::uint32_t> FindPlacesAgain(Places& places) const;
    void RebuildKeepingPlaces();
    std::string DirectoryKey(std::uint32_t node) const;

    const ResultList* m_list = nullptr;
    std::string m_server;
    ViewOptions m_options;
    ResultsView m_view;
    // Nodes with more than kRowsAtOnce rows: how many of them are shown.
    std::unordered_map<std::uint32_t, std::size_t> m_shown;
    CheckFinder m_findCheck;
    MirrorFinder m_findMirrors;
};

// "1.5 MB", "820 KB", "312 bytes".
QString FormatFileSize(std::uint64_t bytes);

} // namespace velmora
