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

namespace {

// What the % placeholders stand for. Broken by hand rather than wrapped:
// the sheet then knows the height the note needs before it is shown.
QLabel* MakePlaceholderNote(QWidget* parent)
{
    auto* note =
        new QLabel(QStringLiteral("In the arguments and the script: %h server, %o port, %u user, %p password,\n"
                                  "%l local directory, %r the file's directory, %f its name;\n"
                                  "%s (arguments only) the script file; [ ] holds what only Get File uses;\n"
                                  "%[ and %] are brackets."),
                   parent);
    note->setObjectName(QStringLiteral("placeholders"));
    return note;
}

} // namespace

ClientsPage::ClientsPage(std::string settingsPath, std::string clientsPath, QWidget* parent)
    : SettingsPage(parent), m_model(std::move(settingsPath), std::move(clientsPath))
{
    m_localDir = MakeField(this, "localDirectory");
    QPushButton* browse = MakeButton(this, "&Browse\u2026", "browseLocalDir");
    connect(browse, &QPushButton::clicked, this, &ClientsPage::OnBrowseLocalDir);
    m_active = new QLabel(this);
    m_active->setObjectName(QStringLiteral("activeClient"));
    const auto [list, add, edit, remove] = MakeNameList("clientList", 4, {"newClient", "editClient", "deleteClient"});
    m_list = list;
    QPushButton* use = MakeButton(this, "&Use for Get File", "useForGetFile");
    use->setToolTip(QStringLiteral("Makes the selected client the one Get File starts (from OK on)"));
    connect(use, &QPushButton::clicked, this, [this] {
        m_model.UseForGetFile(SelectedName(m_list));
        ShowActiveClient();
    });

    QGroupBox* group = MakeClientInfo();

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Local Directory:"), this), 0, 0);
    layout->addWidget(m_localDir, 0, 1);
    layout->addWidget(browse, 0, 2);
    layout->addWidget(new QLabel(QStringLiteral("Clients List:"), this), 1, 0);
    layout->addWidget(m_active, 1, 1, 1, 2);
    layout->addWidget(m_list, 2, 0, 4, 2);
    layout->addWidget(add, 2, 2);
    layout->addWidget(edit, 3, 2);
    layout->addWidget(remove, 4, 2);
    layout->addWidget(use, 5, 2, Qt::AlignTop);
    layout->addWidget(group, 6, 0, 1, 3);
    layout->setRowStretch(5, 1);
    layout->setRowStretch(6, 2);

    ConnectListCommands(m_model, m_list, add, edit, remove, m_done, m_cancel, {m_name, m_path, m_args});
    DoneOnEnter({m_name, m_path, m_args});
    ShowFields();
}

// The form of one client, with its Done and Cancel.
QGroupBox* ClientsPage::MakeClientInfo()
{
    auto* group = new QGroupBox(QStringLiteral("Client Info:"), this);
    group->setObjectName(QStringLiteral("clientForm"));
    m_name = MakeField(group, "name");
    m_path = MakeField(group, "clientPath");
    m_args = MakeField(group, "clientArguments");
    MakeScriptFields(group);
    m_done = MakeButton(group, "Done", "clientDone");
    m_cancel = MakeButton(group, "Cancel", "cancelEdit");
    auto* fields = new QGridLayout(group);
    fields->addWidget(new QLabel(QStringLiteral("Name:"), group), 0, 0);
    fields->addWidget(m_name, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Path:"), group), 1, 0);
    fields->addWidget(m_path, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("Command Line Arguments:"), group), 2, 0);
    fields->addWidget(m_args, 2, 1);
    fields->addWidget(new QLabel(QStringLiteral("Script File:"), group), 3, 0, Qt::AlignTop);
    fields->addWidget(m_script, 3, 1);
    fields->addWidget(new QLabel(QStringLiteral("Script Quoting:"), group), 4, 0);
    fields->addWidget(m_quote, 4, 1, Qt::AlignLeft);
    fields->addLayout(MakeDoneRow(m_done, m_cancel), 5, 0, 1, 2);
    fields->addWidget(MakePlaceholderNote(group), 6, 0, 1, 2);
    fields->setColumnStretch(1, 1);
    return group;
}

void ClientsPage::MakeScriptFields(QGroupBox* group)
{
    m_script = new QPlainTextEdit(group);
    m_script->setObjectName(QStringLiteral("clientScript"));
    m_script->setLineWrapMode(QPlainTextEdit::NoWrap);
    CompactHeight(m_script, 4);
    m_quote = new QComboBox(group);
    m_quote->setObjectName(QStringLiteral("quoteStyle"));
    m_quote->addItem(QStringLiteral("lftp"));
    m_quote->addItem(QStringLiteral("sh"));
    m_quote->addItem(QStringLiteral("none"));
    m_quote->setToolTip(QStringLiteral("How the script language quotes: values from the web are quoted this way "
                                       "in the script file. With \"none\" a value that could end a word or start "
                                       "a command refuses the launch."));
}

void ClientsPage::OnInitDialog()
{
    m_model.OnInitDialog();
    FillList(m_list, m_model.GetNames());
    // The page opens on the client in use, so looking is not choosing.
    const auto used = m_list->findItems(QString::fromStdString(m_model.GetChosenClient()), Qt::MatchExactly);
    if (!used.isEmpty())
        m_list->setCurrentItem(used.front());
    else if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    ShowFields();
}

// The client Get File uses now stands out in the list and above it.
void ClientsPage::ShowActiveClient()
{
    const QString active = QString::fromStdString(m_model.GetChosenClient());
    m_active->setText(active.isEmpty() ? QStringLiteral("No client is used for Get File yet: pick one with "
                                                        "Use for Get File (OK takes the first).")
                                       : QStringLiteral("Used for Get File: %1").arg(active));
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem* item = m_list->item(i);
        QFont font = item->font();
        font.setBold(item->text() == active);
        item->setFont(font);
        item->setToolTip(item->text() == active ? QStringLiteral("The client used for Get File") : QString());
    }
}

void ClientsPage::OnBrowseLocalDir()
{
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Local Directory"), m_localDir->text());
    if (!chosen.isEmpty())
        m_localDir->setText(chosen);
}

void ClientsPage::ReadFields()
{
    m_model.fields = {m_localDir->text().toStdString(),      m_name->text().toStdString(),
                      m_path->text().toStdString(),          m_args->text().toStdString(),
                      m_script->toPlainText().toStdString(), m_quote->currentText().toStdString()};
}

void ClientsPage::ShowFields()
{
    m_localDir->setText(QString::fromStdString(m_model.fields.localDir));
    m_name->setText(QString::fromStdString(m_model.fields.name));
    m_path->setText(QString::fromStdString(m_model.fields.path));
    m_args->setText(QString::fromStdString(m_model.fields.args));
    m_script->setPlainText(QString::fromStdString(m_model.fields.script));
    m_quote->setCurrentText(QString::fromStdString(m_model.fields.quote));
    m_name->setEnabled(m_model.IsNameEnabled());
    // While idle the fields show the selected client; Edit makes them editable.
    const bool editing = m_model.GetState() != PageState::Idle;
    for (QLineEdit* field : {m_name, m_path, m_args})
        field->setReadOnly(!editing);
    m_script->setReadOnly(!editing);
    m_quote->setEnabled(editing);
    ShowActiveClient();
    m_done->setEnabled(m_model.AreDoneAndCancelEnabled());
    m_cancel->setEnabled(m_model.AreDoneAndCancelEnabled());
}

void ClientsPage::OnOK(SettingsTarget&)
{
    ReadFields();
    m_model.OnOK();
}

} // namespace velmora
