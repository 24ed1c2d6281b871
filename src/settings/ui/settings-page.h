#pragma once

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "settings/page-state.h"

#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

class QAbstractScrollArea;
class QHBoxLayout;

namespace velmora {

class SettingsTarget;
class SortedNames;

// A page of the settings sheet: opened (read from the files) when it is
// first shown, and given the sheet's OK only when it was shown.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    bool WasShown() const { return m_shown; }
    // False keeps the sheet open (a value that is not allowed).
    virtual bool Validate() { return true; }
    virtual void OnOK(SettingsTarget& target) = 0;

protected:
    virtual void OnInitDialog() = 0;
    // Copy between the widgets and the page model around each command.
    virtual void ReadFields() {}
    virtual void ShowFields() {}

    // New, Edit, Delete, Done and Cancel of a list page, on its model: the
    // fields are read before each command and shown after it. Selecting an
    // entry while idle shows its fields at once; a Done that saves nothing
    // says why, and one that saves something the user should know of says
    // that too.
    // New and Edit put the cursor in the first of `form` that takes typing.
    template <typename Model>
    void ConnectListCommands(Model& model, QListWidget* list, QPushButton* add, QPushButton* edit, QPushButton* remove,
                             QPushButton* done, QPushButton* cancel, std::initializer_list<QLineEdit*> form)
    {
        const std::vector<QLineEdit*> fields(form);
        const auto focusForm = [fields] {
            for (QLineEdit* field : fields) {
                if (field->isEnabled() && !field->isReadOnly()) {
                    field->setFocus(Qt::OtherFocusReason);
                    return;
                }
            }
        };
        const auto command = [this](auto action) {
            return [this, action] {
                ReadFields();
                action();
                ShowFields();
            };
        };
        connect(add, &QPushButton::clicked, this, command([&model] { model.New(); }));
        connect(edit, &QPushButton::clicked, this, command([&model, list] { model.Edit(SelectedName(list)); }));
        // After the fields are shown: only then do they take typing.
        connect(add, &QPushButton::clicked, this, focusForm);
        connect(edit, &QPushButton::clicked, this, focusForm);
        connect(remove, &QPushButton::clicked, this, command([&model, list] {
                    model.Delete(SelectedName(list));
                    FillList(list, model.GetNames());
                }));
        connect(cancel, &QPushButton::clicked, this, command([&model] { model.Cancel(); }));
        // What Done saved is selected, so the form shows it and not another.
        connect(done, &QPushButton::clicked, this, command([this, &model, list] {
                    if (model.Done()) {
                        FillList(list, model.GetNames());
                        SelectName(list, model.GetSavedName());
                        model.Show(SelectedName(list));
                    }
                    Tell(model.GetProblem(), model.GetNotice());
                }));
        connect(list, &QListWidget::currentRowChanged, this, [this, &model, list] {
            // What is being typed into the form is never replaced.
            if (model.GetState() != PageState::Idle)
                return;
            model.Show(SelectedName(list));
            ShowFields();
        });
        m_done = done;
    }
    // Enter in one of these fields is the page's Done, never the sheet's OK.
    void DoneOnEnter(std::initializer_list<QLineEdit*> fields);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void Tell(const std::string& problem, const std::string& notice);
    void showEvent(QShowEvent* event) override;

    // Helpers the pages share.
    static QLineEdit* MakeField(QWidget* parent, const char* id);
    static QPushButton* MakeButton(QWidget* parent, const char* text, const char* id);
    // A page's list of names, `lines` high, with its New, Edit and Delete
    // buttons (named by `buttonIds`, in that order).
    struct NameList {
        QListWidget* list;
        QPushButton* add;
        QPushButton* edit;
        QPushButton* remove;
    };
    NameList MakeNameList(const char* listId, int lines, const std::array<const char*, 3>& buttonIds);
    // A form's Done and Cancel, at the right of a row of their own.
    static QHBoxLayout* MakeDoneRow(QPushButton* done, QPushButton* cancel);
    // A list or text box that asks for `lines` lines and grows with the
    // sheet, so the sheet opens no taller than its fields need.
    static void CompactHeight(QAbstractScrollArea* view, int lines);
    static void FillList(QListWidget* list, const SortedNames& names);
    static std::optional<std::string> SelectedName(const QListWidget* list);
    static void SelectName(QListWidget* list, const std::string& name);

private:
    bool m_shown = false;
    QPushButton* m_done = nullptr;
};

} // namespace velmora
