#pragma once

#include <QWidget>

#include <optional>
#include <string>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace velmora {

class SearchSession;
class SortedNames;

// A page of the settings sheet: opened (read from the files) when it is
// first shown, and given the sheet's OK only when it was shown.
class CSettingsPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    bool WasShown() const { return m_bShown; }
    // False keeps the sheet open (a value that is not allowed).
    virtual bool Validate() { return true; }
    virtual void OnOK(SearchSession& session) = 0;

protected:
    virtual void OnInitDialog() = 0;
    void showEvent(QShowEvent* event) override;

    // Helpers the pages share.
    static QLineEdit* MakeField(QWidget* parent, const char* id);
    static QPushButton* MakeButton(QWidget* parent, const char* text, const char* id);
    static void FillList(QListWidget* list, const SortedNames& names);
    static std::optional<std::string> SelectedName(const QListWidget* list);

private:
    bool m_bShown = false;
};

} // namespace velmora
