#include "settings/ui/settings-page.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "settings/page-state.h"

namespace velmora {

void CSettingsPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_bShown)
        return;
    m_bShown = true;
    OnInitDialog();
}

QLineEdit* CSettingsPage::MakeField(QWidget* parent, const char* id)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(id));
    return field;
}

QPushButton* CSettingsPage::MakeButton(QWidget* parent, const char* text, const char* id)
{
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(id));
    button->setAutoDefault(false);
    return button;
}

void CSettingsPage::FillList(QListWidget* list, const SortedNames& names)
{
    const std::optional<std::string> selected = SelectedName(list);
    list->clear();
    for (const std::string& name : names.Get()) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), list);
        if (selected && *selected == name)
            list->setCurrentItem(item);
    }
}

std::optional<std::string> CSettingsPage::SelectedName(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    if (item == nullptr || !item->isSelected())
        return std::nullopt;
    return item->text().toStdString();
}

} // namespace velmora
