#include "settings/ui/engines-settings.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "settings/settings-target.h"

namespace velmora {

CEnginesSettings::CEnginesSettings(std::string settingsPath, QWidget* parent)
    : CSettingsPage(parent), m_model(std::move(settingsPath))
{
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("1034"));
    CompactHeight(m_pList, 6);
    QPushButton* add = MakeButton(this, "New", "1036");
    QPushButton* edit = MakeButton(this, "Edit", "1037");
    QPushButton* remove = MakeButton(this, "Delete", "1038");
    QPushButton* up = MakeButton(this, "Move &Up", "engineUp");
    QPushButton* down = MakeButton(this, "Move Do&wn", "engineDown");
    up->setToolTip(QStringLiteral("The window lists and searches the engines in this order"));
    down->setToolTip(up->toolTip());

    auto* group = new QGroupBox(QStringLiteral("Engine Settings:"), this);
    m_pName = MakeField(group, "1025");
    m_pHomepage = MakeField(group, "1043");
    m_pQuery = MakeField(group, "1044");
    m_pDone = MakeButton(group, "Done", "1041");
    m_pCancel = MakeButton(group, "Cancel", "1033");
    auto* fields = new QGridLayout(group);
    fields->addWidget(new QLabel(QStringLiteral("Name:"), group), 0, 0);
    fields->addWidget(m_pName, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Homepage:"), group), 1, 0);
    fields->addWidget(m_pHomepage, 1, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Query URL:"), group), 2, 0);
    fields->addWidget(m_pQuery, 2, 1, 1, 2);
    auto* hint = new QLabel(QStringLiteral("%s in the query URL stands for the search words; an engine without it "
                                           "is not searched."),
                            group);
    hint->setWordWrap(true);
    fields->addWidget(hint, 4, 0, 1, 3);
    auto* doneRow = new QHBoxLayout;
    doneRow->addStretch();
    doneRow->addWidget(m_pDone);
    doneRow->addWidget(m_pCancel);
    fields->addLayout(doneRow, 3, 0, 1, 3);
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

    ConnectListCommands(m_model, m_pList, add, edit, remove, m_pDone, m_pCancel, {m_pName, m_pHomepage, m_pQuery});
    DoneOnEnter({m_pName, m_pHomepage, m_pQuery});
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    ShowFields();
}

void CEnginesSettings::MoveSelected(int step)
{
    if (m_model.Move(SelectedName(m_pList), step))
        FillList(m_pList, m_model.GetNames());
    Tell(m_model.GetProblem(), {});
}

void CEnginesSettings::OnInitDialog()
{
    m_model.OnInitDialog();
    FillList(m_pList, m_model.GetNames());
    // The first engine shows at once, as the first client does.
    if (m_pList->count() > 0)
        m_pList->setCurrentRow(0);
}

void CEnginesSettings::ReadFields()
{
    m_model.fields = {m_pName->text().toStdString(), m_pHomepage->text().toStdString(), m_pQuery->text().toStdString()};
}

void CEnginesSettings::ShowFields()
{
    m_pName->setText(QString::fromStdString(m_model.fields.name));
    m_pHomepage->setText(QString::fromStdString(m_model.fields.homepage));
    m_pQuery->setText(QString::fromStdString(m_model.fields.query));
    m_pName->setEnabled(m_model.IsNameEnabled());
    // While idle the fields show the selected engine; Edit makes them editable.
    const bool editing = m_model.GetState() != PageState::Idle;
    for (QLineEdit* field : {m_pName, m_pHomepage, m_pQuery})
        field->setReadOnly(!editing);
    m_pDone->setEnabled(m_model.AreDoneAndCancelEnabled());
    m_pCancel->setEnabled(m_model.AreDoneAndCancelEnabled());
}

void CEnginesSettings::OnOK(SettingsTarget& target)
{
    target.ReloadEngines();
}

} // namespace velmora
