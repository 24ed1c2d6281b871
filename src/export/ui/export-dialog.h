#pragma once

#include <QDialog>

#include <array>
#include <cstddef>

#include "export/result-export.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace velmora {

// Which results File > "Export…" hands on.
enum class ExportScope { Selected, Server, All };

struct ExportChoice {
    ExportScope scope = ExportScope::All;
    ExportFormat format = ExportFormat::Urls;
    bool onlyGood = false;
};

// "Export Results": which results, in which form, and whether only those of
// servers that passed the test. A scope with no results cannot be chosen.
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // How many results each scope holds, in ExportScope order, and how
    // many of them are on servers that passed the test; the counts shown
    // follow "Only servers that passed the test".
    using Counts = std::array<std::size_t, 3>;
    ExportDialog(const Counts& counts, const Counts& goodCounts, QWidget* parent);

    ExportChoice GetChoice() const;

private:
    void ShowCounts();

    Counts m_counts{};
    Counts m_goodCounts{};
    std::array<QRadioButton*, 3> m_scopes{};
    QPushButton* m_export = nullptr;
    QComboBox* m_format = nullptr;
    QCheckBox* m_onlyGood = nullptr;
};

// The save dialog's file type for a form: "lftp script (*.lftp)" and all
// files.
QString ExportFileFilter(ExportFormat format);

} // namespace velmora
