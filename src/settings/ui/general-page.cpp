#include "settings/ui/general-page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSpinBox>

#include "settings/general-page-model.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"
#include "settings/settings-target.h"

namespace velmora {

GeneralPage::GeneralPage(std::string settingsPath, QWidget* parent)
    : SettingsPage(parent), m_settingsPath(std::move(settingsPath))
{
    auto* label = new QLabel(QStringLiteral("Most threads running at once\n(10 is good for fast connections)"), this);
    m_threads = new QSpinBox(this);
    m_threads->setObjectName(QStringLiteral("threadLimit"));
    m_threads->setRange(kMinThreads, kMaxThreads);
    label->setBuddy(m_threads);
    m_saveSearches = new QCheckBox(QStringLiteral("&Keep every search in velmora.db (File > Recent Searches)"), this);
    m_saveSearches->setObjectName(QStringLiteral("saveSearches"));
    m_saveSearches->setToolTip(QStringLiteral("Searches are kept with their results and test verdicts in the working "
                                              "folder, so they can be reopened and exported later."));
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_threads, 0, 1, Qt::AlignTop);
    layout->addWidget(m_saveSearches, 1, 0, 1, 3);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(2, 1);
}

void GeneralPage::OnInitDialog()
{
    m_threads->setValue(ReadThreadLimit(m_settingsPath));
    m_saveSearches->setChecked(ProfileSnapshot(m_settingsPath)
                                   .GetInt(keys::kSettingsSection, keys::kSaveSearches, keys::kSaveSearchesDefault) ==
                               1);
}

// The spin box holds only 1 to 20; what is typed but not yet taken is
// checked all the same.
bool GeneralPage::Validate()
{
    if (!WasShown() || ParseThreadLimit(m_threads->text().toStdString()))
        return true;
    QMessageBox::warning(this, QStringLiteral("Settings"), QString::fromLatin1(kThreadLimitMessage));
    m_threads->setFocus();
    m_threads->selectAll();
    return false;
}

void GeneralPage::OnOK(SettingsTarget& target)
{
    const auto limit = ParseThreadLimit(m_threads->text().toStdString());
    if (!limit)
        return;
    ProfileEdit::WriteString(m_settingsPath, keys::kSettingsSection, keys::kMaxThreads, std::to_string(*limit));
    target.SetMaxThreads(*limit);
    const bool save = m_saveSearches->isChecked();
    ProfileEdit::WriteString(m_settingsPath, keys::kSettingsSection, keys::kSaveSearches, save ? "1" : "0");
    target.SetSaveSearches(save);
}

} // namespace velmora
