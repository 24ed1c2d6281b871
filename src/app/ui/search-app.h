#pragma once

#include <QApplication>

#include <memory>
#include <string>

namespace velmora {

class CMainDlg;

// The application: captures the working directory and runs the main
// window until it closes.
class CSearchApp : public QApplication {
    Q_OBJECT
public:
    CSearchApp(int& argc, char** argv);
    ~CSearchApp() override;

    int InitInstance();
    const std::string& GetWorkingDirectory() const { return m_strWorkingDirectory; }

private:
    std::string m_strWorkingDirectory;
    std::unique_ptr<CMainDlg> m_pMainWnd;
};

} // namespace velmora
