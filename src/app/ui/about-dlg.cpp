#include "app/ui/about-dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/ui/dialog-units.h"
#include "app/ui/tree-images.h"
#include "platform/program-version.h"

namespace velmora {

QString GetVersionLine()
{
    return QStringLiteral("Velmora Version %1.%2 Build %3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionBuild);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Velmora"));
    const DialogUnits du(font());
    setFixedSize(du.MapSize(235, 79));

    auto* icon = new QLabel(this);
    icon->setPixmap(GetProgramIcon(32));
    icon->setGeometry(du.Map(11, 17, 20, 20));

    auto* version = new QLabel(GetVersionLine(), this);
    version->setObjectName(QStringLiteral("1056"));
    version->setGeometry(du.Map(40, 10, 180, 10));
    auto* purpose = new QLabel(QStringLiteral("Finds downloadable files on public FTP and HTTP servers."), this);
    purpose->setGeometry(du.Map(40, 24, 190, 10));
    auto* rights = new QLabel(QStringLiteral("Copyright \u00A9 2026 the Velmora developers."), this);
    rights->setGeometry(du.Map(40, 38, 190, 10));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(du.Map(178, 58, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace velmora
