#include "app/ui/about-dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "platform/program-version.h"
#include "ui-common/tree-images.h"

namespace velmora {

QString GetVersionLine()
{
    return QStringLiteral("Velmora Version ") + QString::fromStdString(GetVersionNumbers());
}

// Laid out, not placed: every line is shown whole in any font.
AboutDialog::AboutDialog(QWidget* parent, const QString& whereThingsLive) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Velmora"));
    auto* icon = new QLabel(this);
    icon->setPixmap(GetProgramIcon(32));
    auto* version = new QLabel(GetVersionLine(), this);
    version->setObjectName(QStringLiteral("versionLine"));
    auto* purpose = new QLabel(QStringLiteral("Finds downloadable files on public FTP and HTTP servers."), this);
    purpose->setObjectName(QStringLiteral("aboutPurpose"));
    auto* rights = new QLabel(QStringLiteral("Copyright \u00A9 2026 the Velmora developers."), this);
    auto* licence = new QLabel(QString::fromLatin1(kLicenceText), this);
    licence->setObjectName(QStringLiteral("aboutLicence"));
    auto* places = new QLabel(whereThingsLive, this);
    places->setObjectName(QStringLiteral("aboutPlaces"));
    places->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(purpose, 1, 1);
    layout->addWidget(rights, 2, 1);
    layout->addWidget(licence, 3, 1);
    layout->addWidget(places, 4, 1);
    layout->addWidget(ok, 5, 1, Qt::AlignRight);
    layout->setHorizontalSpacing(16);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace velmora
