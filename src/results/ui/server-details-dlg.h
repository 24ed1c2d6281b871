#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velmora {

// "Server Details:": the selected server's login data and, expanded, what
// the server said during its test. A separate captioned window owned by the
// main window; read-only; Enter and Escape expand and collapse it.
class CServerDetailsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CServerDetailsDlg(QWidget* owner);

    void SetServerInfo(const QString& address, const QString& port, const QString& user, const QString& password);
    void SetResponseText(const QString& response);
    void OnToggleDetails();
    bool IsExpanded() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FitHeight();

    QLineEdit* m_pAddress = nullptr;
    QLineEdit* m_pPort = nullptr;
    QLineEdit* m_pUsername = nullptr;
    QLineEdit* m_pPassword = nullptr;
    QPushButton* m_pMore = nullptr;
    QPlainTextEdit* m_pResponse = nullptr;
};

} // namespace velmora
