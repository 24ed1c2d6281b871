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
    m_pAddress = MakeField(this, "serverAddress");
    m_pPort = MakeField(this, "serverPort");
    m_pPort->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    m_pUsername = MakeField(this, "serverUser");
    m_pPassword = MakeField(this, "serverPassword");
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pReveal = new QPushButton(QStringLiteral("&Show"), this);
    m_pReveal->setObjectName(QStringLiteral("revealPassword"));
    m_pReveal->setCheckable(true);
    m_pReveal->setToolTip(QStringLiteral("Show the password in clear text"));
    connect(m_pReveal, &QPushButton::toggled, this,
            [this](bool shown) { m_pPassword->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password); });
    m_pMore = new QPushButton(QStringLiteral(">>>"), this);
    m_pMore->setObjectName(QStringLiteral("showReply"));
    m_pMore->setToolTip(QStringLiteral("Show what the server said when it was tested"));
    connect(m_pMore, &QPushButton::clicked, this, &ServerDetailsDialog::OnToggleDetails);
    m_pResponse = new QPlainTextEdit(this);
    m_pResponse->setObjectName(QStringLiteral("serverReply"));
    m_pResponse->setReadOnly(true);
    m_pResponse->hide();

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Address:"), this), 0, 0);
    layout->addWidget(m_pAddress, 0, 1, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("Port:"), this), 0, 4);
    layout->addWidget(m_pPort, 0, 5, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Username:"), this), 1, 0);
    layout->addWidget(m_pUsername, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Password:"), this), 1, 2);
    layout->addWidget(m_pPassword, 1, 3, 1, 3);
    layout->addWidget(m_pReveal, 1, 6);
    layout->addWidget(m_pMore, 2, 5, 1, 2, Qt::AlignRight);
    layout->addWidget(m_pResponse, 3, 0, 1, 7);
    layout->setColumnStretch(1, 2);
    layout->setColumnStretch(3, 3);
    layout->setRowStretch(3, 1);
}

void ServerDetailsDialog::SetServerInfo(const QString& address, const QString& port, const QString& user,
                                        const QString& password)
{
    m_pAddress->setText(address);
    m_pPort->setText(port);
    m_pUsername->setText(user);
    m_pPassword->setText(password);
    // The whole login, the anonymous e-mail address too, stays readable.
    m_pUsername->setToolTip(user);
    m_pAddress->setToolTip(address);
}

void ServerDetailsDialog::SetResponseText(const std::string& response)
{
    m_pResponse->setPlainText(QString::fromStdString(EscapeControls(response, true)));
}

bool ServerDetailsDialog::IsExpanded() const
{
    return !m_pResponse->isHidden();
}

void ServerDetailsDialog::OnToggleDetails()
{
    m_pResponse->setHidden(IsExpanded());
    m_pMore->setText(IsExpanded() ? QStringLiteral("<<<") : QStringLiteral(">>>"));
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
