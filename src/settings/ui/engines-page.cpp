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
    const auto [list, add, edit, remove] = MakeNameList("engineList", 6, {"newEngine", "editEngine", "deleteEngine"});
    m_list = list;
    QPushButton* up = MakeButton(this, "Move &Up", "engineUp");
    QPushButton* down = MakeButton(this, "Move Do&wn", "engineDown");
    up->setToolTip(QStringLiteral("The window lists and searches the engines in this order"));
    down->setToolTip(up->toolTip());

    auto* group = new QGroupBox(QStringLiteral("Engine Settings:"), this);
    m_name = MakeField(group, "name");
    m_homepage = MakeField(group, "engineHomepage");
    m_query = MakeField(group, "engineQuery");
    m_done = MakeButton(group, "Done", "engineDone");
    m_cancel = MakeButton(group, "Cancel", "cancelEdit");
    auto* fields = new QGridLayout(group);
    fields->addWidget(new QLabel(QStringLiteral("Name:"), group), 0, 0);
    fields->addWidget(m_name, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Homepage:"), group), 1, 0);
    fields->addWidget(m_homepage, 1, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Query URL:"), group), 2, 0);
    fields->addWidget(m_query, 2, 1, 1, 2);
    const int doneAt = AddSourceFields(fields, group, 3);
    // One line, so a small sheet never cuts it (a wrapped label's height is
    // not what the layout gives it).
    auto* hint =
        new QLabel(QStringLiteral("In the query URL: %s the search words, %k the API key, %n the page number."), group);
    hint->setWordWrap(true);
    fields->addWidget(hint, doneAt + 1, 0, 1, 3);
    fields->addLayout(MakeDoneRow(m_done, m_cancel), doneAt, 0, 1, 3);
    fields->setColumnStretch(1, 1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Search Engines:"), this), 0, 0);
    layout->addWidget(m_list, 1, 0, 6, 1);
    layout->addWidget(add, 1, 1);
    layout->addWidget(edit, 2, 1);
    layout->addWidget(remove, 3, 1);
    layout->addWidget(up, 4, 1);
    layout->addWidget(down, 5, 1);
    layout->addWidget(group, 7, 0, 1, 2);
    layout->setRowStretch(6, 1);

    ConnectListCommands(m_model, m_list, add, edit, remove, m_done, m_cancel,
                        {m_name, m_homepage, m_query, m_results, m_key, m_header});
    DoneOnEnter({m_name, m_homepage, m_query, m_results, m_key, m_header});
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    ShowFields();
}

int EnginesPage::AddSourceFields(QGridLayout* fields, QWidget* group, int row)
{
    m_format = new QComboBox(group);
    m_format->setObjectName(QStringLiteral("engineFormat"));
    m_format->addItems({QStringLiteral("HTML page"), QStringLiteral("JSON answer")});
    m_results = MakeField(group, "engineResults");
    m_results->setPlaceholderText(QStringLiteral("results[].url"));
    m_results->setToolTip(QStringLiteral("Where a JSON answer keeps its result URLs: member names joined by \".\", "
                                         "[] for every element of an array, [N] for one"));
    m_key = MakeField(group, "engineKey");
    // Shown as dots, as a password is, and never put in a message.
    m_key->setEchoMode(QLineEdit::Password);
    m_key->setToolTip(QStringLiteral("The engine's API key; %k in the query URL or the header stands for it"));
    m_header = MakeField(group, "engineHeader");
    m_header->setPlaceholderText(QStringLiteral("none (for example X-Subscription-Token: %k)"));
    m_pages = new QSpinBox(group);
    m_pages->setObjectName(QStringLiteral("enginePages"));
    m_pages->setRange(1, keys::kMostEnginePages);
    m_pages->setToolTip(QStringLiteral("Pages of results to ask for; asking stops at a page that brings nothing new"));
    m_pageSize = new QSpinBox(group);
    m_pageSize->setObjectName(QStringLiteral("enginePageSize"));
    m_pageSize->setRange(1, keys::kMostPageSize);
    m_pageSize->setToolTip(QStringLiteral("Results on a page, for %o and %O (the offset of a page's first result)"));
    const auto label = [group](const char* text, QWidget* buddy) {
        auto* shown = new QLabel(QString::fromUtf8(text), group);
        shown->setBuddy(buddy);
        return shown;
    };
    fields->addWidget(label("&Answer:", m_format), row, 0);
    fields->addWidget(m_format, row, 1);
    fields->addWidget(label("&Results at:", m_results), row + 1, 0);
    fields->addWidget(m_results, row + 1, 1, 1, 2);
    fields->addWidget(label("API &key:", m_key), row + 2, 0);
    fields->addWidget(m_key, row + 2, 1, 1, 2);
    fields->addWidget(label("&Header:", m_header), row + 3, 0);
    fields->addWidget(m_header, row + 3, 1, 1, 2);
    auto* pagesRow = new QHBoxLayout;
    pagesRow->addWidget(m_pages);
    pagesRow->addWidget(label("results a pa&ge:", m_pageSize));
    pagesRow->addWidget(m_pageSize);
    pagesRow->addStretch();
    fields->addWidget(label("&Pages:", m_pages), row + 4, 0);
    fields->addLayout(pagesRow, row + 4, 1, 1, 2);
    connect(m_format, &QComboBox::currentIndexChanged, this,
            [this] { m_results->setEnabled(m_format->currentIndex() == 1); });
    return row + 5;
}

void EnginesPage::ShowSourceFields(bool editing)
{
    const EnginesPageModel::Fields& shown = m_model.fields;
    m_format->setCurrentIndex(shown.json ? 1 : 0);
    m_results->setText(QString::fromStdString(shown.results));
    m_results->setEnabled(shown.json);
    m_key->setText(QString::fromStdString(shown.key));
    m_header->setText(QString::fromStdString(shown.header));
    m_pages->setValue(shown.pages);
    m_pageSize->setValue(shown.pageSize);
    for (QWidget* control : std::initializer_list<QWidget*>{m_format, m_pages, m_pageSize})
        control->setEnabled(editing);
}

void EnginesPage::MoveSelected(int step)
{
    if (m_model.Move(SelectedName(m_list), step))
        FillList(m_list, m_model.GetNames());
    Tell(m_model.GetProblem(), {});
}

void EnginesPage::OnInitDialog()
{
    m_model.OnInitDialog();
    FillList(m_list, m_model.GetNames());
    // The first engine shows at once, as the first client does.
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void EnginesPage::ReadFields()
{
    EnginesPageModel::Fields& typed = m_model.fields;
    typed.name = m_name->text().toStdString();
    typed.homepage = m_homepage->text().toStdString();
    typed.query = m_query->text().toStdString();
    typed.json = m_format->currentIndex() == 1;
    typed.results = m_results->text().toStdString();
    typed.key = m_key->text().toStdString();
    typed.header = m_header->text().toStdString();
    typed.pages = m_pages->value();
    typed.pageSize = m_pageSize->value();
}

void EnginesPage::ShowFields()
{
    m_name->setText(QString::fromStdString(m_model.fields.name));
    m_homepage->setText(QString::fromStdString(m_model.fields.homepage));
    m_query->setText(QString::fromStdString(m_model.fields.query));
    m_name->setEnabled(m_model.IsNameEnabled());
    // While idle the fields show the selected engine; Edit makes them editable.
    const bool editing = m_model.GetState() != PageState::Idle;
    for (QLineEdit* field : {m_name, m_homepage, m_query, m_results, m_key, m_header})
        field->setReadOnly(!editing);
    ShowSourceFields(editing);
    m_done->setEnabled(m_model.AreDoneAndCancelEnabled());
    m_cancel->setEnabled(m_model.AreDoneAndCancelEnabled());
}

void EnginesPage::OnOK(SettingsTarget& target)
{
    target.ReloadEngines();
}

} // namespace velmora
