#include "results/ui/server-details-dlg.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

#include "app/ui/dialog-units.h"

namespace velmora {

namespace {

// A label and its read-only field on one line: the label as wide as its
// text needs, the field from there to its right edge.
QLineEdit* MakeField(QWidget* parent, const char* label, const QRect& labelPlace, const char* id,
                     const QRect& fieldPlace)
{
    auto* text = new QLabel(QString::fromLatin1(label), parent);
    const int labelWidth = std::max(labelPlace.width(), text->sizeHint().width());
    text->setGeometry(labelPlace.x(), fieldPlace.y(), labelWidth, fieldPlace.height());
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(id));
    field->setReadOnly(true);
    const int left = std::max(fieldPlace.x(), labelPlace.x() + labelWidth + 3);
    field->setGeometry(left, fieldPlace.y(), fieldPlace.right() + 1 - left, fieldPlace.height());
    return field;
}

} // namespace

CServerDetailsDlg::CServerDetailsDlg(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("Server Details:"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    const DialogUnits du(font());
    setFixedWidth(du.X(191));
    m_pAddress = MakeField(this, "Address:", du.Map(3, 2, 28, 8), "1048", du.Map(29, 0, 102, 12));
    m_pPort = MakeField(this, "Port:", du.Map(134, 2, 16, 8), "1050", du.Map(151, 0, 35, 12));
    m_pUsername = MakeField(this, "Username:", du.Map(3, 16, 35, 8), "1049", du.Map(40, 15, 55, 12));
    m_pPassword = MakeField(this, "Password:", du.Map(97, 16, 34, 8), "1051", du.Map(132, 15, 55, 12));
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
