#include "settings/ui/clients-page.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velmora {

ClientsPage::ClientsPage(std::string settingsPath, std::string clientsPath, QWidget* parent)
    : SettingsPage(parent), m_model(std::move(settingsPath), std::move(clientsPath))
{
    m_pLocalDir = MakeField(this, "localDirectory");
    QPushButton* browse = MakeButton(this, "&Browse\u2026", "browseLocalDir");
    connect(browse, &QPushButton::clicked, this, &ClientsPage::OnBrowseLocalDir);
    m_pActive = new QLabel(this);
    m_pActive->setObjectName(QStringLiteral("activeClient"));
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("clientList"));
    CompactHeight(m_pList, 4);
    QPushButton* add = MakeButton(this, "New", "newClient");
    QPushButton* edit = MakeButton(this, "Edit", "editClient");
    QPushButton* remove = MakeButton(this, "Delete", "deleteClient");
    QPushButton* use = MakeButton(this, "&Use for Get File", "useForGetFile");
    use->setToolTip(QStringLiteral("Makes the selected client the one Get File starts (from OK on)"));
    connect(use, &QPushButton::clicked, this, [this] {
        m_model.UseForGetFile(SelectedName(m_pList));
        ShowActiveClient();
    });

    QGroupBox* group = MakeClientInfo();

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Local Directory:"), this), 0, 0);
    layout->addWidget(m_pLocalDir, 0, 1);
    layout->addWidget(browse, 0, 2);
    layout->addWidget(new QLabel(QStringLiteral("Clients List:"), this), 1, 0);
    layout->addWidget(m_pActive, 1, 1, 1, 2);
    layout->addWidget(m_pList, 2, 0, 4, 2);
    layout->addWidget(add, 2, 2);
    layout->addWidget(edit, 3, 2);
    layout->addWidget(remove, 4, 2);
    layout->addWidget(use, 5, 2, Qt::AlignTop);
    layout->addWidget(group, 6, 0, 1, 3);
    layout->setRowStretch(5, 1);
    layout->setRowStretch(6, 2);

    ConnectListCommands(m_model, m_pList, add, edit, remove, m_pDone, m_pCancel, {m_pName, m_pPath, m_pArgs});
    DoneOnEnter({m_pName, m_pPath, m_pArgs});
    ShowFields();
}

// The form of one client, with its Done and Cancel.
QGroupBox* ClientsPage::MakeClientInfo()
{
    auto* group = new QGroupBox(QStringLiteral("Client Info:"), this);
    group->setObjectName(QStringLiteral("clientForm"));
    m_pName = MakeField(group, "name");
    m_pPath = MakeField(group, "clientPath");
    m_pArgs = MakeField(group, "clientArguments");
    m_pScript = new QPlainTextEdit(group);
    m_pScript->setObjectName(QStringLiteral("clientScript"));
    m_pScript->setLineWrapMode(QPlainTextEdit::NoWrap);
    CompactHeight(m_pScript, 4);
    m_pQuote = new QComboBox(group);
    m_pQuote->setObjectName(QStringLiteral("quoteStyle"));
    m_pQuote->addItem(QStringLiteral("lftp"));
    m_pQuote->addItem(QStringLiteral("sh"));
    m_pQuote->addItem(QStringLiteral("none"));
    m_pQuote->setToolTip(QStringLiteral("How the script language quotes: values from the web are quoted this way "
                                        "in the script file. With \"none\" a value that could end a word or start "
                                        "a command refuses the launch."));
    m_pDone = MakeButton(group, "Done", "clientDone");
    m_pCancel = MakeButton(group, "Cancel", "cancelEdit");
    auto* fields = new QGridLayout(group);
    fields->addWidget(new QLabel(QStringLiteral("Name:"), group), 0, 0);
    fields->addWidget(m_pName, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Path:"), group), 1, 0);
    fields->addWidget(m_pPath, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("Command Line Arguments:"), group), 2, 0);
    fields->addWidget(m_pArgs, 2, 1);
    fields->addWidget(new QLabel(QStringLiteral("Script File:"), group), 3, 0, Qt::AlignTop);
    fields->addWidget(m_pScript, 3, 1);
    fields->addWidget(new QLabel(QStringLiteral("Script Quoting:"), group), 4, 0);
    fields->addWidget(m_pQuote, 4, 1, Qt::AlignLeft);
    // Broken by hand rather than wrapped: the sheet then knows the height
    // the note needs before it is shown.
    auto* placeholders =
        new QLabel(QStringLiteral("In the arguments and the script: %h server, %o port, %u user, %p password,\n"
                                  "%l local directory, %r the file's directory, %f its name;\n"
                                  "%s (arguments only) the script file; [ ] holds what only Get File uses;\n"
                                  "%[ and %] are brackets."),
                   group);
    placeholders->setObjectName(QStringLiteral("placeholders"));
    fields->addWidget(placeholders, 6, 0, 1, 2);
    auto* doneRow = new QHBoxLayout;
    doneRow->addStretch();
    doneRow->addWidget(m_pDone);
    doneRow->addWidget(m_pCancel);
    fields->addLayout(doneRow, 5, 0, 1, 2);
    fields->setColumnStretch(1, 1);

    return group;
}

void ClientsPage::OnInitDialog()
{
    m_model.OnInitDialog();
    FillList(m_pList, m_model.GetNames());
    // The page opens on the client in use, so looking is not choosing.
    const auto used = m_pList->findItems(QString::fromStdString(m_model.GetChosenClient()), Qt::MatchExactly);
    if (!used.isEmpty())
        m_pList->setCurrentItem(used.front());
    else if (m_pList->count() > 0)
        m_pList->setCurrentRow(0);
    ShowFields();
}

// The client Get File uses now stands out in the list and above it.
void ClientsPage::ShowActiveClient()
{
    const QString active = QString::fromStdString(m_model.GetChosenClient());
    m_pActive->setText(active.isEmpty() ? QStringLiteral("No client is used for Get File yet: pick one with "
                                                         "Use for Get File (OK takes the first).")
                                        : QStringLiteral("Used for Get File: %1").arg(active));
    for (int i = 0; i < m_pList->count(); ++i) {
        QListWidgetItem* item = m_pList->item(i);
        QFont font = item->font();
        font.setBold(item->text() == active);
        item->setFont(font);
        item->setToolTip(item->text() == active ? QStringLiteral("The client used for Get File") : QString());
    }
}

void ClientsPage::OnBrowseLocalDir()
{
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Local Directory"), m_pLocalDir->text());
    if (!chosen.isEmpty())
        m_pLocalDir->setText(chosen);
}

void ClientsPage::ReadFields()
{
    m_model.fields = {m_pLocalDir->text().toStdString(),      m_pName->text().toStdString(),
                      m_pPath->text().toStdString(),          m_pArgs->text().toStdString(),
                      m_pScript->toPlainText().toStdString(), m_pQuote->currentText().toStdString()};
}

void ClientsPage::ShowFields()
{
    m_pLocalDir->setText(QString::fromStdString(m_model.fields.localDir));
    m_pName->setText(QString::fromStdString(m_model.fields.name));
    m_pPath->setText(QString::fromStdString(m_model.fields.path));
    m_pArgs->setText(QString::fromStdString(m_model.fields.args));
    m_pScript->setPlainText(QString::fromStdString(m_model.fields.script));
    m_pQuote->setCurrentText(QString::fromStdString(m_model.fields.quote));
    m_pName->setEnabled(m_model.IsNameEnabled());
    // While idle the fields show the selected client; Edit makes them editable.
    const bool editing = m_model.GetState() != PageState::Idle;
    for (QLineEdit* field : {m_pName, m_pPath, m_pArgs})
        field->setReadOnly(!editing);
    m_pScript->setReadOnly(!editing);
    m_pQuote->setEnabled(editing);
    ShowActiveClient();
    m_pDone->setEnabled(m_model.AreDoneAndCancelEnabled());
    m_pCancel->setEnabled(m_model.AreDoneAndCancelEnabled());
}

void ClientsPage::OnOK(SettingsTarget&)
{
    ReadFields();
    m_model.OnOK();
}

} // namespace velmora
