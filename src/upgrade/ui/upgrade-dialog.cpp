#include "upgrade/ui/upgrade-dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/paths.h"
#include "platform/program-version.h"
#include "results/result-actions.h"
#include "settings/settings-keys.h"
#include "settings/settings-target.h"
#include "ui-common/queue-notifier.h"
#include "upgrade/update-request.h"
#include "upgrade/upgrade-offer.h"

namespace velmora {

UpgradeDialog::UpgradeDialog(int mode, SettingsTarget& target, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_target(target),
      m_answerPath(JoinPath(target.GetWorkingDirectory(), keys::kUpdateAnswerFile)),
      m_queue(std::make_shared<MessageQueue>())
{
    setWindowTitle(QStringLiteral("Velmora Upgrade Utility"));
    resize(420, 380);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("offerList"));
    // Engines and clients are chosen by their check boxes.
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* group = new QGroupBox(QStringLiteral("Info:"), this);
    m_info = new QLabel(QStringLiteral("Please wait while looking for upgrades..."), group);
    m_info->setObjectName(QStringLiteral("offerInfo"));
    m_info->setWordWrap(true);
    m_info->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_info);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 3);
    layout->addWidget(group, 2);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &UpgradeDialog::OnOK);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &UpgradeDialog::OnLocationDblClk);

    // The worker co-owns the queue: closing the dialog early leaves it a
    // queue to post into that nobody reads.
    m_notifier = new QueueNotifier(m_queue, this);
    connect(m_notifier, &QueueNotifier::MessagesWaiting, this, [this] {
        while (auto message = m_queue->TryTake()) {
            if (message->id == kMsgUpdateReady)
                OnUpdateReady(message->value == 1, static_cast<long>(message->subject));
        }
    });
    auto job = std::make_shared<UpdateJob>();
    job->mode = mode;
    job->answerPath = m_answerPath;
    job->queue = m_queue;
    if (!StartUpdateWorker(job))
        OnUpdateReady(false, 0);
}

QString UpgradeDialog::GetInfoText() const
{
    return m_info->text();
}

// Nothing is left to choose: the dialog offers Close alone.
void UpgradeDialog::OfferCloseOnly()
{
    m_ok->hide();
    m_cancel->setText(QStringLiteral("Close"));
    m_cancel->setDefault(true);
}

void UpgradeDialog::OnUpdateReady(bool written, long httpStatus)
{
    if (!written) {
        m_info->setText(QString::fromStdString(DescribeUpdateFailure(httpStatus)));
        OfferCloseOnly();
        return;
    }
    m_answered = true;
    if (m_mode == kModeVersion) {
        const VersionOffer offer = ReadVersionOffer(m_answerPath);
        const QString own = QString::fromStdString(GetVersionNumbers());
        if (!offer.newer) {
            m_info->setText(QStringLiteral("No upgrade found, you have the latest version (%1).").arg(own));
        } else {
            for (const DownloadLocation& location : offer.locations) {
                m_list->addItem(QString::fromStdString(location.label));
                m_urls.push_back(location.url);
            }
            m_info->setText(QStringLiteral("Latest version is: %1.%2 Build %3 (you have %4)\nDouble click one of "
                                           "the locations above to start downloading...")
                                .arg(offer.major)
                                .arg(offer.minor)
                                .arg(offer.build)
                                .arg(own));
        }
    } else if (m_mode == kModeEngines) {
        const std::string settings = JoinPath(m_target.GetWorkingDirectory(), keys::kSettingsFile);
        for (const EngineOffer& engine : ReadEngineOffer(m_answerPath, settings))
            AddChoice(engine.name, engine.preselected);
        m_info->setText(QStringLiteral("Tick the engines to add or update. Those newer on the service than here "
                                       "are ticked already; the others have not changed on the service."));
    } else {
        const std::string clients = JoinPath(m_target.GetWorkingDirectory(), keys::kClientsFile);
        for (const std::string& client : ReadClientOffer(m_answerPath, clients))
            AddChoice(client, false);
        m_info->setText(m_list->count() > 0
                            ? QStringLiteral("New clients were found, tick those you want to add to the FTP clients "
                                             "list.")
                            : QStringLiteral("No new clients were found."));
    }
    m_ok->setEnabled(true);
}

void UpgradeDialog::AddChoice(const std::string& name, bool ticked)
{
    auto* item = new QListWidgetItem(QString::fromStdString(name), m_list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

std::vector<std::string> UpgradeDialog::SelectedNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->checkState() == Qt::Checked)
            names.push_back(m_list->item(i)->text().toStdString());
    }
    return names;
}

void UpgradeDialog::OnLocationDblClk(QListWidgetItem* item)
{
    if (m_mode == kModeVersion && item != nullptr)
        StartLocationDownload(item);
}

bool UpgradeDialog::StartLocationDownload(QListWidgetItem* item)
{
    const auto row = static_cast<std::size_t>(m_list->row(item));
    if (row >= m_urls.size())
        return false;
    const LaunchResult started = StartDownloadProgram(m_urls[row], m_target.GetWorkingDirectory());
    if (!started.started)
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(started.message));
    return started.started;
}

// Merges what is ticked, then says what was added or replaced and offers
// Close; with nothing ticked it closes at once.
void UpgradeDialog::OnOK()
{
    // OK on a selected location downloads it, as a double-click does.
    if (m_mode == kModeVersion) {
        QListWidgetItem* location = m_list->currentItem();
        if (location != nullptr && location->isSelected() && !StartLocationDownload(location))
            return;
        accept();
        return;
    }
    const std::vector<std::string> chosen = SelectedNames();
    if (chosen.empty()) {
        accept();
        return;
    }
    const std::string folder = m_target.GetWorkingDirectory();
    const bool engines = m_mode == kModeEngines;
    const MergeResult merged =
        MergeSections(m_answerPath, JoinPath(folder, engines ? keys::kSettingsFile : keys::kClientsFile), chosen,
                      engines ? EngineMerge() : ClientMerge());
    if (engines)
        m_target.ReloadEngines();
    if (!merged.ok) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(merged.problem));
        return;
    }
    m_info->setText(QString::fromStdString(DescribeMerge(merged)));
    m_list->setEnabled(false);
    OfferCloseOnly();
}

} // namespace velmora
