#include "app/ui/search-app.h"

#include "app/ui/main-dlg.h"
#include "platform/paths.h"

namespace velmora {

CSearchApp::CSearchApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Velmora"));
    setApplicationVersion(QStringLiteral("2.2.0"));
}

CSearchApp::~CSearchApp() = default;

int CSearchApp::InitInstance()
{
    m_strWorkingDirectory = velmora::GetWorkingDirectory();
    m_pMainWnd = std::make_unique<CMainDlg>(m_strWorkingDirectory);
    m_pMainWnd->show();
    const int result = exec();
    m_pMainWnd.reset();
    return result;
}

} // namespace velmora
