#include "settings/ui/settings-page.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

#include "settings/page-state.h"

namespace velmora {

void SettingsPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    OnInitDialog();
}

void SettingsPage::DoneOnEnter(std::initializer_list<QLineEdit*> fields)
{
    for (QLineEdit* field : fields)
        field->installEventFilter(this);
}

bool SettingsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched) != nullptr) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (m_done != nullptr && m_done->isEnabled())
                m_done->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsPage::Tell(const std::string& problem, const std::string& notice)
{
    if (!problem.empty())
        QMessageBox::warning(this, QStringLiteral("Settings"), QString::fromStdString(problem));
    else if (!notice.empty())
        QMessageBox::information(this, QStringLiteral("Settings"), QString::fromStdString(notice));
}

QLineEdit* SettingsPage::MakeField(QWidget* parent, const char* id)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(id));
    return field;
}

QPushButton* SettingsPage::MakeButton(QWidget* parent, const char* text, const char* id)
{
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(id));
    button->setAutoDefault(false);
    return button;
}

SettingsPage::NameList SettingsPage::MakeNameList(const char* listId, int lines,
                                                  const std::array<const char*, 3>& buttonIds)
{
    auto* list = new QListWidget(this);
    list->setObjectName(QString::fromLatin1(listId));
    CompactHeight(list, lines);
    return {list, MakeButton(this, "New", buttonIds[0]), MakeButton(this, "Edit", buttonIds[1]),
            MakeButton(this, "Delete", buttonIds[2])};
}

QHBoxLayout* SettingsPage::MakeDoneRow(QPushButton* done, QPushButton* cancel)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(done);
    row->addWidget(cancel);
    return row;
}

void SettingsPage::CompactHeight(QAbstractScrollArea* view, int lines)
{
    view->setMinimumHeight(lines * view->fontMetrics().lineSpacing() + 2 * view->frameWidth() + 6);
    view->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
}

void SettingsPage::FillList(QListWidget* list, const SortedNames& names)
{
    const std::optional<std::string> selected = SelectedName(list);
    list->clear();
    for (const std::string& name : names.Get()) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), list);
        if (selected && *selected == name)
            list->setCurrentItem(item);
    }
}

void SettingsPage::SelectName(QListWidget* list, const std::string& name)
{
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->text().toStdString() == name) {
            list->setCurrentRow(row);
            return;
        }
    }
}

std::optional<std::string> SettingsPage::SelectedName(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    if (item == nullptr || !item->isSelected())
        return std::nullopt;
    return item->text().toStdString();
}

} // namespace velmora
