#include "results/ui/server-details-dialog.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "platform/text-escape.h"

namespace velmora {

namespace {

QLineEdit* MakeField(QWidget* parent, const char* id)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(id));
    field->setReadOnly(true);
    return field;
}

bool IsFoldKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace

ServerDetailsDialog::ServerDetailsDialog(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("serverDetails"));
    m_address = MakeField(this, "serverAddress");
    m_port = MakeField(this, "serverPort");
    m_port->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    m_username = MakeField(this, "serverUser");
    m_password = MakeField(this, "serverPassword");
    m_password->setEchoMode(QLineEdit::Password);
    m_reveal = new QPushButton(QStringLiteral("&Show"), this);
    m_reveal->setObjectName(QStringLiteral("revealPassword"));
    m_reveal->setCheckable(true);
    m_reveal->setToolTip(QStringLiteral("Show the password in clear text"));
    connect(m_reveal, &QPushButton::toggled, this,
            [this](bool shown) { m_password->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password); });
    m_more = new QPushButton(QStringLiteral(">>>"), this);
    m_more->setObjectName(QStringLiteral("showReply"));
    m_more->setToolTip(QStringLiteral("Show what the server said when it was tested"));
    connect(m_more, &QPushButton::clicked, this, &ServerDetailsDialog::OnToggleDetails);
    m_response = new QPlainTextEdit(this);
    m_response->setObjectName(QStringLiteral("serverReply"));
    m_response->setReadOnly(true);
    m_response->hide();

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Address:"), this), 0, 0);
    layout->addWidget(m_address, 0, 1, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("Port:"), this), 0, 4);
    layout->addWidget(m_port, 0, 5, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Username:"), this), 1, 0);
    layout->addWidget(m_username, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Password:"), this), 1, 2);
    layout->addWidget(m_password, 1, 3, 1, 3);
    layout->addWidget(m_reveal, 1, 6);
    layout->addWidget(m_more, 2, 5, 1, 2, Qt::AlignRight);
    layout->addWidget(m_response, 3, 0, 1, 7);
    layout->setColumnStretch(1, 2);
    layout->setColumnStretch(3, 3);
    layout->setRowStretch(3, 1);
}

void ServerDetailsDialog::SetServerInfo(const QString& address, const QString& port, const QString& user,
                                        const QString& password)
{
    m_address->setText(address);
    m_port->setText(port);
    m_username->setText(user);
    m_password->setText(password);
    // The whole login, the anonymous e-mail address too, stays readable.
    m_username->setToolTip(user);
    m_address->setToolTip(address);
}

void ServerDetailsDialog::SetResponseText(const std::string& response)
{
    m_response->setPlainText(QString::fromStdString(EscapeControls(response, true)));
}

bool ServerDetailsDialog::IsExpanded() const
{
    return !m_response->isHidden();
}

void ServerDetailsDialog::OnToggleDetails()
{
    m_response->setHidden(IsExpanded());
    m_more->setText(IsExpanded() ? QStringLiteral("<<<") : QStringLiteral(">>>"));
    emit Toggled();
}

// Enter and Escape belong to the panel while it has the focus, before any
// shortcut of the window sees them.
bool ServerDetailsDialog::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && IsFoldKey(static_cast<QKeyEvent*>(event)->key())) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void ServerDetailsDialog::keyPressEvent(QKeyEvent* event)
{
    // The panel never closes itself: Enter and Escape fold it.
    if (IsFoldKey(event->key())) {
        OnToggleDetails();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace velmora
