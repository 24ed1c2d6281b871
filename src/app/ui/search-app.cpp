#include "app/ui/search-app.h"

#include <unistd.h>

#include <QMessageBox>

#include "app/ui/main-dlg.h"
#include "platform/paths.h"
#include "platform/working-folder.h"

namespace velmora {

CSearchApp::CSearchApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Velmora"));
    setApplicationVersion(QStringLiteral("2.2.0"));
}

CSearchApp::~CSearchApp() = default;

int CSearchApp::InitInstance()
{
    // --here: work in the current folder whatever it holds.
    const bool here = arguments().contains(QStringLiteral("--here"));
    const std::string current = velmora::GetWorkingDirectory();
    m_strWorkingDirectory = ChooseWorkingFolder(current, here);
    std::string problem;
    if (m_strWorkingDirectory != current && PrepareWorkingFolder(m_strWorkingDirectory, problem) &&
        ::chdir(m_strWorkingDirectory.c_str()) != 0)
        problem = "The folder " + m_strWorkingDirectory + " cannot be opened.";
    if (!problem.empty()) {
        QMessageBox::warning(nullptr, applicationName(),
                             QString::fromStdString(problem + " Velmora works in " + current + " instead."));
        m_strWorkingDirectory = current;
    }
    m_pMainWnd = std::make_unique<CMainDlg>(m_strWorkingDirectory);
    m_pMainWnd->show();
    const int result = exec();
    m_pMainWnd.reset();
    return result;
}

} // namespace velmora
