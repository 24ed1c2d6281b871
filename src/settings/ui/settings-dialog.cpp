#include "settings/ui/settings-dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/paths.h"
#include "settings/settings-keys.h"
#include "settings/settings-target.h"
#include "settings/ui/clients-page.h"
#include "settings/ui/engines-page.h"
#include "settings/ui/general-page.h"

namespace velmora {

SettingsDialog::SettingsDialog(SettingsTarget& target, QWidget* parent, int page) : QDialog(parent), m_target(target)
{
    setWindowTitle(QStringLiteral("Settings"));
    const std::string folder = target.GetWorkingDirectory();
    const std::string settings = JoinPath(folder, keys::kSettingsFile);
    m_general = new GeneralPage(settings, this);
    m_clients = new ClientsPage(settings, JoinPath(folder, keys::kClientsFile), this);
    m_engines = new EnginesPage(settings, this);
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(m_general, QStringLiteral("General"));
    m_tabs->addTab(m_clients, QStringLiteral("FTP Clients"));
    m_tabs->addTab(m_engines, QStringLiteral("Search Engines"));
    connect(m_tabs, &QTabWidget::currentChanged, this, &SettingsDialog::OnTabChanged);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::OnOK);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    // Every page lays itself out; the sheet opens wide enough for the
    // client fields and their placeholder notes.
    QSize size(std::max(sizeHint().width(), 640), std::max(sizeHint().height(), 480));
    if (const QScreen* screen = parent ? parent->screen() : this->screen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(size.expandedTo(minimumSizeHint()));
    // Opened at the page asked for (the welcome page asks for the engines).
    m_tabs->setCurrentIndex(std::clamp(page, 0, 2));
    m_currentTab = m_tabs->currentIndex();
}

void SettingsDialog::OnTabChanged(int index)
{
    // A thread limit that is not allowed keeps the General page in front.
    if (m_currentTab == 0 && index != 0 && !m_general->Validate()) {
        const QSignalBlocker blocker(m_tabs);
        m_tabs->setCurrentIndex(0);
        return;
    }
    m_currentTab = index;
}

void SettingsDialog::OnOK()
{
    if (!m_general->Validate()) {
        m_tabs->setCurrentIndex(0);
        return;
    }
    for (SettingsPage* page : {static_cast<SettingsPage*>(m_general), static_cast<SettingsPage*>(m_clients),
                               static_cast<SettingsPage*>(m_engines)}) {
        if (page->WasShown())
            page->OnOK(m_target);
    }
    accept();
}

} // namespace velmora
