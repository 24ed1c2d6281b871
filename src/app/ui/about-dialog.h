#pragma once

#include <QDialog>

namespace velmora {

// "About Velmora": the program's icon, its version, two fixed lines and
// where the window keeps its settings, searches and downloads.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(QWidget* parent, const QString& whereThingsLive);
};

// "Velmora Version 2.2 Build 0".
QString GetVersionLine();

} // namespace velmora
