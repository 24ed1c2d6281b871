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
    m_strWorkingDirectory = ChooseWorkingFolder(current, here);
    std::string problem;
    bool firstStart = false;
    if (m_strWorkingDirectory != current && PrepareWorkingFolder(m_strWorkingDirectory, problem, &firstStart) &&
        ::chdir(m_strWorkingDirectory.c_str()) != 0)
        problem = "The folder " + m_strWorkingDirectory + " cannot be opened.";
    // Downloads go where the desktop keeps them, not into a hidden folder.
    if (firstStart && problem.empty())
        SeedLocalDirectory(JoinPath(m_strWorkingDirectory, keys::kSettingsFile));
    if (!problem.empty()) {
        QMessageBox::warning(nullptr, applicationName(),
                             QString::fromStdString(problem + " Velmora works in " + current + " instead."));
        m_strWorkingDirectory = current;
    }
    m_pMainWnd = std::make_unique<MainWindow>(m_strWorkingDirectory);
    m_pMainWnd->show();
    if (firstStart && problem.empty())
        QTimer::singleShot(0, m_pMainWnd.get(), &MainWindow::TellWhereThingsLive);
    const int result = exec();
    m_pMainWnd.reset();
    return result;
}

} // namespace velmora
