// FileTransfer [--close-when-done] URL: downloads one file into the Local
// Directory named by settings.dat in the current folder.

#include <QApplication>
#include <QDir>
#include <QScreen>

#include <cstdio>
#include <string>

#include "transfer-window.h"

namespace {

constexpr const char* kUsage =
    "Usage: FileTransfer [--close-when-done] URL\n"
    "Downloads the file at URL (http, https or ftp) into the Local Directory named by settings.dat in the\n"
    "current folder, or into the current folder. The window stays open when the download ends unless\n"
    "--close-when-done is given.\n";

} // namespace

int main(int argc, char** argv)
{
    // Read before the window system is asked for, so a usage error needs no display.
    bool closeWhenDone = false;
    std::string url;
    int urls = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--close-when-done") {
            closeWhenDone = true;
        } else if (arg.starts_with('-')) {
            urls = -1; // a URL never starts with "-": an option we do not know
            break;
        } else {
            url = arg;
            ++urls;
        }
    }
    if (urls != 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    QApplication app(argc, argv);
    velmora::CTransferWindow window(url, QDir::currentPath().toStdString(), closeWhenDone);
    window.adjustSize();
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    window.Start();
    const int shown = QApplication::exec();
    return window.Succeeded() ? 0 : (shown != 0 ? shown : 1);
}
