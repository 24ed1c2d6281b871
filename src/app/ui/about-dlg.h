#pragma once

#include <QDialog>

namespace velmora {

// "About Velmora": the program's icon, its version and two fixed lines.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);
};

// "Velmora Version 2.2 Build 0".
QString GetVersionLine();

} // namespace velmora
