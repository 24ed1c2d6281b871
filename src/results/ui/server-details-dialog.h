#pragma once

#include <QWidget>

#include <string>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velmora {

// "Server Details:": the selected server's login data and, expanded, what
// the server said during its test. It lives in a dock of the main window,
// which the user may float; read-only; Enter and Escape expand and collapse
// it. The password shows as dots until "Show" is pressed; what a server
// sent is shown with control bytes escaped.
class ServerDetailsDialog : public QWidget {
    Q_OBJECT
public:
    explicit ServerDetailsDialog(QWidget* parent);

    void SetServerInfo(const QString& address, const QString& port, const QString& user, const QString& password);
    // The reply as the server sent it, bytes and all.
    void SetResponseText(const std::string& response);
    void OnToggleDetails();
    bool IsExpanded() const;

signals:
    // The reply box was shown or hidden: the panel wants another height.
    void Toggled();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* m_address = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_reveal = nullptr;
    QPushButton* m_more = nullptr;
    QPlainTextEdit* m_response = nullptr;
};

} // namespace velmora
