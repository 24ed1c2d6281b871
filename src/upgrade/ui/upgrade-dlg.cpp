#include "upgrade/ui/upgrade-dlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/dialog-units.h"
#include "app/ui/queue-notifier.h"
#include "platform/paths.h"
#include "results/result-actions.h"
#include "settings/settings-keys.h"
#include "settings/settings-target.h"
#include "upgrade/update-request.h"
#include "upgrade/upgrade-offer.h"

namespace velmora {

CUpgradeDlg::CUpgradeDlg(int mode, SettingsTarget& target, QWidget* parent)
    : QDialog(parent), m_nMode(mode), m_target(target),
      m_strAnswerPath(JoinPath(target.GetWorkingDirectory(), keys::kUpdateAnswerFile)),
      m_pQueue(std::make_shared<MessageQueue>())
{
    setWindowTitle(QStringLiteral("Velmora Upgrade Utility"));
    const DialogUnits du(font());
    setMinimumSize(du.MapSize(186, 175));
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("1009"));
    m_pList->setSelectionMode(QAbstractItemView::MultiSelection);
    auto* group = new QGroupBox(QStringLiteral("Info:"), this);
    m_pInfo = new QLabel(QStringLiteral("Please wait while looking for upgrades..."), group);
    m_pInfo->setObjectName(QStringLiteral("1055"));
    m_pInfo->setWordWrap(true);
    m_pInfo->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_pInfo);
    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setObjectName(QStringLiteral("1"));
    m_pOk->setDefault(true);
    m_pOk->setEnabled(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pOk);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pList, 3);
    layout->addWidget(group, 2);
    layout->addLayout(buttons);
    connect(m_pOk, &QPushButton::clicked, this, &CUpgradeDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &CUpgradeDlg::OnLocationDblClk);

    // The worker co-owns the queue: closing the dialog early leaves it a
    // queue to post into that nobody reads.
    m_pNotifier = new QueueNotifier(m_pQueue, this);
    connect(m_pNotifier, &QueueNotifier::MessagesWaiting, this, [this] {
        while (auto message = m_pQueue->TryTake()) {
            if (message->id == kMsgUpdateReady)
                OnUpdateReady(message->wParam == 1, static_cast<long>(message->lParam));
        }
    });
    auto job = std::make_shared<UpdateJob>();
    job->mode = mode;
    job->answerPath = m_strAnswerPath;
    job->queue = m_pQueue;
    if (!StartUpdateWorker(job))
        OnUpdateReady(false, 0);
}

QString CUpgradeDlg::GetInfoText() const
{
    return m_pInfo->text();
}

void CUpgradeDlg::OnUpdateReady(bool written, long httpStatus)
{
    if (!written) {
        // Only Cancel is of use now.
        m_pInfo->setText(QString::fromStdString(DescribeUpdateFailure(httpStatus)));
        return;
    }
    m_bAnswered = true;
    if (m_nMode == kModeVersion) {
        const VersionOffer offer = ReadVersionOffer(m_strAnswerPath);
        if (!offer.newer) {
            m_pInfo->setText(QStringLiteral("No upgrade found, you have the latest version."));
        } else {
            for (const DownloadLocation& location : offer.locations) {
                m_pList->addItem(QString::fromStdString(location.label));
                m_urls.push_back(location.url);
            }
            m_pInfo->setText(QStringLiteral("Latest version is: %1.%2 Build %3\nDouble click one of the locations "
                                            "above to start downloading...")
                                 .arg(offer.major)
                                 .arg(offer.minor)
                                 .arg(offer.build));
        }
    } else if (m_nMode == kModeEngines) {
        const std::string settings = JoinPath(m_target.GetWorkingDirectory(), keys::kSettingsFile);
        for (const EngineOffer& engine : ReadEngineOffer(m_strAnswerPath, settings)) {
            auto* item = new QListWidgetItem(QString::fromStdString(engine.name), m_pList);
            item->setSelected(engine.preselected);
        }
        m_pInfo->setText(QStringLiteral("Select Engines to add/upgrade, those that are recommended for upgrade are "
                                        "already selected, the ones that aren't selected haven't been updated on the "
                                        "server."));
    } else {
        const std::string clients = JoinPath(m_target.GetWorkingDirectory(), keys::kClientsFile);
        for (const std::string& client : ReadClientOffer(m_strAnswerPath, clients))
            m_pList->addItem(QString::fromStdString(client));
        m_pInfo->setText(m_pList->count() > 0
                             ? QStringLiteral("New clients were found, select those you want to add to the FTP "
                                              "clients list.")
                             : QStringLiteral("No new clients were found."));
    }
    m_pOk->setEnabled(true);
}

std::vector<std::string> CUpgradeDlg::SelectedNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < m_pList->count(); ++i) {
        if (m_pList->item(i)->isSelected())
            names.push_back(m_pList->item(i)->text().toStdString());
    }
    return names;
}

void CUpgradeDlg::OnLocationDblClk()
{
    // The first selected location, as the list's toggling selection gives it.
    if (m_nMode != kModeVersion)
        return;
    for (int i = 0; i < m_pList->count(); ++i) {
        if (m_pList->item(i)->isSelected()) {
            StartDownloadProgram(m_urls.at(static_cast<std::size_t>(i)));
            return;
        }
    }
}

void CUpgradeDlg::OnOK()
{
    const std::vector<std::string> chosen = SelectedNames();
    const std::string folder = m_target.GetWorkingDirectory();
    if (m_nMode == kModeEngines && !chosen.empty()) {
        const MergeResult merged =
            MergeSections(m_strAnswerPath, JoinPath(folder, keys::kSettingsFile), chosen, EngineMerge());
        m_target.ReloadEngines();
        if (!merged.ok) {
            QMessageBox::warning(this, windowTitle(), QString::fromStdString(merged.problem));
            return;
        }
    } else if (m_nMode == kModeClients && !chosen.empty()) {
        const MergeResult merged =
            MergeSections(m_strAnswerPath, JoinPath(folder, keys::kClientsFile), chosen, ClientMerge());
        if (!merged.ok) {
            QMessageBox::warning(this, windowTitle(), QString::fromStdString(merged.problem));
            return;
        }
    }
    accept();
}

} // namespace velmora
