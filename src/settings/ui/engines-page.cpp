#include "settings/ui/engines-page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include "settings/settings-keys.h"
#include "settings/settings-target.h"

namespace velmora {

EnginesPage::EnginesPage(std::string settingsPath, QWidget* parent)
    : SettingsPage(parent), m_model(std::move(settingsPath))
{
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("engineList"));
    CompactHeight(m_pList, 6);
    QPushButton* add = MakeButton(this, "New", "newEngine");
    QPushButton* edit = MakeButton(this, "Edit", "editEngine");
    QPushButton* remove = MakeButton(this, "Delete", "deleteEngine");
    QPushButton* up = MakeButton(this, "Move &Up", "engineUp");
    QPushButton* down = MakeButton(this, "Move Do&wn", "engineDown");
    up->setToolTip(QStringLiteral("The window lists and searches the engines in this order"));
    down->setToolTip(up->toolTip());

    auto* group = new QGroupBox(QStringLiteral("Engine Settings:"), this);
    m_pName = MakeField(group, "name");
    m_pHomepage = MakeField(group, "engineHomepage");
    m_pQuery = MakeField(group, "engineQuery");
    m_pDone = MakeButton(group, "Done", "engineDone");
    m_pCancel = MakeButton(group, "Cancel", "cancelEdit");
    auto* fields = new QGridLayout(group);
    fields->addWidget(new QLabel(QStringLiteral("Name:"), group), 0, 0);
    fields->addWidget(m_pName, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Homepage:"), group), 1, 0);
    fields->addWidget(m_pHomepage, 1, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Query URL:"), group), 2, 0);
    fields->addWidget(m_pQuery, 2, 1, 1, 2);
    const int doneAt = AddSourceFields(fields, group, 3);
    // One line, so a small sheet never cuts it (a wrapped label's height is
    // not what the layout gives it).
    auto* hint =
        new QLabel(QStringLiteral("In the query URL: %s the search words, %k the API key, %n the page number."), group);
    hint->setWordWrap(true);
    fields->addWidget(hint, doneAt + 1, 0, 1, 3);
    auto* doneRow = new QHBoxLayout;
    doneRow->addStretch();
    doneRow->addWidget(m_pDone);
    doneRow->addWidget(m_pCancel);
    fields->addLayout(doneRow, doneAt, 0, 1, 3);
    fields->setColumnStretch(1, 1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Search Engines:"), this), 0, 0);
    layout->addWidget(m_pList, 1, 0, 6, 1);
    layout->addWidget(add, 1, 1);
    layout->addWidget(edit, 2, 1);
    layout->addWidget(remove, 3, 1);
    layout->addWidget(up, 4, 1);
    layout->addWidget(down, 5, 1);
    layout->addWidget(group, 7, 0, 1, 2);
    layout->setRowStretch(6, 1);

    ConnectListCommands(m_model, m_pList, add, edit, remove, m_pDone, m_pCancel,
                        {m_pName, m_pHomepage, m_pQuery, m_pResults, m_pKey, m_pHeader});
    DoneOnEnter({m_pName, m_pHomepage, m_pQuery, m_pResults, m_pKey, m_pHeader});
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    ShowFields();
}

int EnginesPage::AddSourceFields(QGridLayout* fields, QWidget* group, int row)
{
    m_pFormat = new QComboBox(group);
    m_pFormat->setObjectName(QStringLiteral("engineFormat"));
    m_pFormat->addItems({QStringLiteral("HTML page"), QStringLiteral("JSON answer")});
    m_pResults = MakeField(group, "engineResults");
    m_pResults->setPlaceholderText(QStringLiteral("results[].url"));
    m_pResults->setToolTip(QStringLiteral("Where a JSON answer keeps its result URLs: member names joined by \".\", "
                                          "[] for every element of an array, [N] for one"));
    m_pKey = MakeField(group, "engineKey");
    // Shown as dots, as a password is, and never put in a message.
    m_pKey->setEchoMode(QLineEdit::Password);
    m_pKey->setToolTip(QStringLiteral("The engine's API key; %k in the query URL or the header stands for it"));
    m_pHeader = MakeField(group, "engineHeader");
    m_pHeader->setPlaceholderText(QStringLiteral("none (for example X-Subscription-Token: %k)"));
    m_pPages = new QSpinBox(group);
    m_pPages->setObjectName(QStringLiteral("enginePages"));
    m_pPages->setRange(1, keys::kMostEnginePages);
    m_pPages->setToolTip(QStringLiteral("Pages of results to ask for; asking stops at a page that brings nothing new"));
    m_pPageSize = new QSpinBox(group);
    m_pPageSize->setObjectName(QStringLiteral("enginePageSize"));
    m_pPageSize->setRange(1, keys::kMostPageSize);
    m_pPageSize->setToolTip(QStringLiteral("Results on a page, for %o and %O (the offset of a page's first result)"));
    const auto label = [group](const char* text, QWidget* buddy) {
        auto* shown = new QLabel(QString::fromUtf8(text), group);
        shown->setBuddy(buddy);
        return shown;
    };
    fields->addWidget(label("&Answer:", m_pFormat), row, 0);
    fields->addWidget(m_pFormat, row, 1);
    fields->addWidget(label("&Results at:", m_pResults), row + 1, 0);
    fields->addWidget(m_pResults, row + 1, 1, 1, 2);
    fields->addWidget(label("API &key:", m_pKey), row + 2, 0);
    fields->addWidget(m_pKey, row + 2, 1, 1, 2);
    fields->addWidget(label("&Header:", m_pHeader), row + 3, 0);
    fields->addWidget(m_pHeader, row + 3, 1, 1, 2);
    auto* pagesRow = new QHBoxLayout;
    pagesRow->addWidget(m_pPages);
    pagesRow->addWidget(label("results a pa&ge:", m_pPageSize));
    pagesRow->addWidget(m_pPageSize);
    pagesRow->addStretch();
    fields->addWidget(label("&Pages:", m_pPages), row + 4, 0);
    fields->addLayout(pagesRow, row + 4, 1, 1, 2);
    connect(m_pFormat, &QComboBox::currentIndexChanged, this,
            [this] { m_pResults->setEnabled(m_pFormat->currentIndex() == 1); });
    return row + 5;
}

void EnginesPage::ShowSourceFields(bool editing)
{
    const EnginesPageModel::Fields& shown = m_model.fields;
    m_pFormat->setCurrentIndex(shown.json ? 1 : 0);
    m_pResults->setText(QString::fromStdString(shown.results));
    m_pResults->setEnabled(shown.json);
    m_pKey->setText(QString::fromStdString(shown.key));
    m_pHeader->setText(QString::fromStdString(shown.header));
    m_pPages->setValue(shown.pages);
    m_pPageSize->setValue(shown.pageSize);
    for (QWidget* control : std::initializer_list<QWidget*>{m_pFormat, m_pPages, m_pPageSize})
        control->setEnabled(editing);
}

void EnginesPage::MoveSelected(int step)
{
    if (m_model.Move(SelectedName(m_pList), step))
        FillList(m_pList, m_model.GetNames());
    Tell(m_model.GetProblem(), {});
}

void EnginesPage::OnInitDialog()
{
    m_model.OnInitDialog();
    FillList(m_pList, m_model.GetNames());
    // The first engine shows at once, as the first client does.
    if (m_pList->count() > 0)
        m_pList->setCurrentRow(0);
}

void EnginesPage::ReadFields()
{
    EnginesPageModel::Fields& typed = m_model.fields;
    typed.name = m_pName->text().toStdString();
    typed.homepage = m_pHomepage->text().toStdString();
    typed.query = m_pQuery->text().toStdString();
    typed.json = m_pFormat->currentIndex() == 1;
    typed.results = m_pResults->text().toStdString();
    typed.key = m_pKey->text().toStdString();
    typed.header = m_pHeader->text().toStdString();
    typed.pages = m_pPages->value();
    typed.pageSize = m_pPageSize->value();
}

void EnginesPage::ShowFields()
{
    m_pName->setText(QString::fromStdString(m_model.fields.name));
    m_pHomepage->setText(QString::fromStdString(m_model.fields.homepage));
    m_pQuery->setText(QString::fromStdString(m_model.fields.query));
    m_pName->setEnabled(m_model.IsNameEnabled());
    // While idle the fields show the selected engine; Edit makes them editable.
    const bool editing = m_model.GetState() != PageState::Idle;
    for (QLineEdit* field : {m_pName, m_pHomepage, m_pQuery, m_pResults, m_pKey, m_pHeader})
        field->setReadOnly(!editing);
    ShowSourceFields(editing);
    m_pDone->setEnabled(m_model.AreDoneAndCancelEnabled());
    m_pCancel->setEnabled(m_model.AreDoneAndCancelEnabled());
}

void EnginesPage::OnOK(SettingsTarget& target)
{
    target.ReloadEngines();
}

} // namespace velmora
