#include "results/ui/server-details-dlg.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/ui/dialog-units.h"

namespace velmora {

namespace {

QLineEdit* MakeField(QWidget* parent, const char* id, const QRect& place)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(id));
    field->setReadOnly(true);
    field->setGeometry(place);
    return field;
}

void MakeLabel(QWidget* parent, const char* text, const QRect& place)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setGeometry(place.adjusted(0, -3, 0, 3));
}

} // namespace

CServerDetailsDlg::CServerDetailsDlg(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("Server Details:"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    const DialogUnits du(font());
    setFixedWidth(du.X(191));
    MakeLabel(this, "Address:", du.Map(3, 2, 28, 8));
    m_pAddress = MakeField(this, "1048", du.Map(32, 0, 99, 12));
    MakeLabel(this, "Port:", du.Map(134, 2, 16, 8));
    m_pPort = MakeField(this, "1050", du.Map(151, 0, 35, 12));
    MakeLabel(this, "Username:", du.Map(3, 16, 37, 8));
    m_pUsername = MakeField(this, "1049", du.Map(40, 15, 55, 12));
    MakeLabel(this, "Password:", du.Map(97, 16, 34, 8));
    m_pPassword = MakeField(this, "1051", du.Map(132, 15, 55, 12));
    m_pMore = new QPushButton(QStringLiteral(">>>"), this);
    m_pMore->setObjectName(QStringLiteral("1052"));
    m_pMore->setAutoDefault(false);
    m_pMore->setGeometry(du.Map(137, 29, 50, 14));
    connect(m_pMore, &QPushButton::clicked, this, &CServerDetailsDlg::OnToggleDetails);
    m_pResponse = new QPlainTextEdit(this);
    m_pResponse->setObjectName(QStringLiteral("1053"));
    m_pResponse->setReadOnly(true);
    m_pResponse->setGeometry(du.Map(3, 45, 183, 94));
    m_pResponse->hide();
    FitHeight();
}

void CServerDetailsDlg::SetServerInfo(const QString& address, const QString& port, const QString& user,
                                      const QString& password)
{
    m_pAddress->setText(address);
    m_pPort->setText(port);
    m_pUsername->setText(user);
    m_pPassword->setText(password);
}

void CServerDetailsDlg::SetResponseText(const QString& response)
{
    m_pResponse->setPlainText(response);
}

bool CServerDetailsDlg::IsExpanded() const
{
    return !m_pResponse->isHidden();
}

void CServerDetailsDlg::OnToggleDetails()
{
    m_pResponse->setHidden(IsExpanded());
    m_pMore->setText(IsExpanded() ? QStringLiteral("<<<") : QStringLiteral(">>>"));
    FitHeight();
}

void CServerDetailsDlg::FitHeight()
{
    const QWidget* last = IsExpanded() ? static_cast<QWidget*>(m_pResponse) : m_pMore;
    setFixedHeight(last->geometry().bottom() + 1 + 5);
}

void CServerDetailsDlg::keyPressEvent(QKeyEvent* event)
{
    // The panel never closes itself: Enter and Escape fold it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
        OnToggleDetails();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace velmora
