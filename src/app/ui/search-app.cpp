#include "app/ui/search-app.h"

#include <unistd.h>

#include <QMessageBox>
#include <QTimer>

#include "app/ui/main-window.h"
#include "platform/paths.h"
#include "platform/working-folder.h"
#include "settings/local-directory.h"
#include "settings/settings-keys.h"

namespace velmora {

SearchApp::SearchApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Velmora"));
    setApplicationVersion(QStringLiteral("2.2.0"));
}

SearchApp::~SearchApp() = default;

int SearchApp::InitInstance()
{
    // --here: work in the current folder whatever it holds.
    const bool here = arguments().contains(QStringLiteral("--here"));
    const std::string current = velmora::GetWorkingDirectory();
    m_workingDirectory = ChooseWorkingFolder(current, here);
    std::string problem;
    bool firstStart = false;
    if (m_workingDirectory != current) {
        const Result<bool> prepared = PrepareWorkingFolder(m_workingDirectory);
        firstStart = prepared && *prepared;
        problem = prepared.Why();
        if (prepared && ::chdir(m_workingDirectory.c_str()) != 0)
            problem = "The folder " + m_workingDirectory + " cannot be opened.";
    }
    // Downloads go where the desktop keeps them, not into a hidden folder.
    if (firstStart && problem.empty())
        SeedLocalDirectory(JoinPath(m_workingDirectory, keys::kSettingsFile));
    if (!problem.empty()) {
        QMessageBox::warning(nullptr, applicationName(),
                             QString::fromStdString(problem + " Velmora works in " + current + " instead."));
        m_workingDirectory = current;
    }
    m_mainWnd = std::make_unique<MainWindow>(m_workingDirectory);
    m_mainWnd->show();
    if (firstStart && problem.empty())
        QTimer::singleShot(0, m_mainWnd.get(), &MainWindow::TellWhereThingsLive);
    const int result = exec();
    m_mainWnd.reset();
    return result;
}

} // namespace velmora
