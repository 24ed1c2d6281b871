#pragma once

#include <QApplication>

#include <memory>
#include <string>

namespace velmora {

class MainWindow;

// The application: captures the working directory and runs the main
// window until it closes.
class SearchApp : public QApplication {
    Q_OBJECT
public:
    SearchApp(int& argc, char** argv);
    ~SearchApp() override;

    int InitInstance();
    const std::string& GetWorkingDirectory() const { return m_workingDirectory; }

private:
    std::string m_workingDirectory;
    std::unique_ptr<MainWindow> m_mainWnd;
};

} // namespace velmora
