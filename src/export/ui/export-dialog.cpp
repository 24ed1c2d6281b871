#include "export/ui/export-dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmora {

namespace {

// The file endings come from the core, which writes the files.
struct FormatChoice {
    ExportFormat format;
    const char* label;
    const char* tip;
};
const FormatChoice kFormatChoices[] = {
    {ExportFormat::Urls, "URL list", "One URL a line, for any program that reads a list of URLs."},
    {ExportFormat::Aria2, "aria2 download list", "Run it with: aria2c -i FILE"},
    {ExportFormat::Lftp, "lftp script", "Run it with: lftp -f FILE"},
    {ExportFormat::Csv, "CSV table", "A table with a header line, for a spreadsheet."},
    {ExportFormat::JsonLines, "JSON Lines", "One JSON object a result, as velmora-cli writes them."},
};

// "lftp script (.lftp)", or with `pattern` "lftp script (*.lftp)".
QString Describe(const FormatChoice& choice, bool pattern)
{
    return QStringLiteral("%1 (%2%3)")
        .arg(QString::fromLatin1(choice.label), pattern ? QStringLiteral("*") : QString(),
             QString::fromLatin1(ExportFileEnding(choice.format)));
}

} // namespace

QString ExportFileFilter(ExportFormat format)
{
    for (const FormatChoice& choice : kFormatChoices)
        if (choice.format == format)
            return Describe(choice, true) + QStringLiteral(";;All files (*)");
    return QStringLiteral("All files (*)");
}

ExportDialog::ExportDialog(const Counts& counts, const Counts& goodCounts, QWidget* parent)
    : QDialog(parent), m_counts(counts), m_goodCounts(goodCounts)
{
    setWindowTitle(QStringLiteral("Export Results"));
    auto* scopeGroup = new QGroupBox(QStringLiteral("Results"), this);
    auto* scopeLayout = new QVBoxLayout(scopeGroup);
    const char* const names[] = {"exportSelected", "exportServer", "exportAll"};
    QRadioButton* preferred = nullptr;
    for (std::size_t i = 0; i < m_scopes.size(); ++i) {
        m_scopes[i] = new QRadioButton(scopeGroup);
        m_scopes[i]->setObjectName(QString::fromLatin1(names[i]));
        scopeLayout->addWidget(m_scopes[i]);
        // Two or more selected results mean the user picked them for this.
        if (counts[i] > 0 && (preferred == nullptr || (preferred == m_scopes[0] && counts[0] < 2)))
            preferred = m_scopes[i];
    }
    if (preferred != nullptr)
        preferred->setChecked(true);

    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("exportFormat"));
    for (const FormatChoice& choice : kFormatChoices) {
        m_format->addItem(Describe(choice, false), static_cast<int>(choice.format));
        m_format->setItemData(m_format->count() - 1, QString::fromLatin1(choice.tip), Qt::ToolTipRole);
    }
    m_onlyGood = new QCheckBox(QStringLiteral("Only servers that passed the &test"), this);
    m_onlyGood->setObjectName(QStringLiteral("exportOnlyGood"));
    m_onlyGood->setToolTip(QStringLiteral("Leave out the results of servers that were not tested or failed."));
    connect(m_onlyGood, &QCheckBox::toggled, this, &ExportDialog::ShowCounts);

    auto* form = new QFormLayout();
    form->addRow(QStringLiteral("&Format:"), m_format);
    form->addRow(QString(), m_onlyGood);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_export = buttons->button(QDialogButtonBox::Ok);
    m_export->setText(QStringLiteral("&Export\u2026"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QRadioButton* scope : m_scopes)
        connect(scope, &QRadioButton::toggled, this, &ExportDialog::ShowCounts);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scopeGroup);
    layout->addLayout(form);
    layout->addWidget(buttons);
    ShowCounts();
}

// Each scope says how many results it would write; one that would write
// none cannot be chosen, and Export is greyed while the chosen one is empty.
void ExportDialog::ShowCounts()
{
    const char* const texts[] = {"&Selected results (%1)", "All results of the selected se&rver (%1)",
                                 "&All results (%1)"};
    const Counts& shown = m_onlyGood->isChecked() ? m_goodCounts : m_counts;
    bool exportable = false;
    for (std::size_t i = 0; i < m_scopes.size(); ++i) {
        m_scopes[i]->setText(QString::fromLatin1(texts[i]).arg(shown[i]));
        m_scopes[i]->setEnabled(m_counts[i] > 0);
        exportable = exportable || (m_scopes[i]->isChecked() && shown[i] > 0);
    }
    m_export->setEnabled(exportable);
}

ExportChoice ExportDialog::GetChoice() const
{
    ExportChoice choice;
    for (std::size_t i = 0; i < m_scopes.size(); ++i)
        if (m_scopes[i]->isChecked())
            choice.scope = static_cast<ExportScope>(i);
    choice.format = static_cast<ExportFormat>(m_format->currentData().toInt());
    choice.onlyGood = m_onlyGood->isChecked();
    return choice;
}

} // namespace velmora
