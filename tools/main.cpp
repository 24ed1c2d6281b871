// FileTransfer [--close-when-done] URL...: downloads files, one after
// another, into the Local Directory named by settings.dat in the current
// folder.

#include <QApplication>
#include <QDir>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text-escape.h"
#include "transfer-window.h"
#include "window-slot.h"

namespace {

constexpr const char* kUsage =
    "Usage: FileTransfer [--close-when-done] URL...\n"
    "Downloads the files at the URLs (http, https or ftp), one after another, into the Local Directory\n"
    "named by settings.dat in the current folder, or into the current folder. The window stays open when\n"
    "the downloads end unless --close-when-done is given and every file arrived. Exit 0 when every file\n"
    "arrived whole.\n";

} // namespace

int main(int argc, char** argv)
{
    // Read before the window system is asked for, so a usage error needs no display.
    bool closeWhenDone = false;
    bool unknownOption = false;
    std::vector<std::string> urls;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--close-when-done")
            closeWhenDone = true;
        else if (arg.starts_with('-'))
            unknownOption = true; // a URL never starts with "-": an option we do not know
        else
            urls.push_back(arg);
    }
    if (urls.empty() || unknownOption) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    QApplication app(argc, argv);
    velmora::TransferWindow window(std::move(urls), QDir::currentPath().toStdString(), closeWhenDone);
    window.adjustSize();
    // Each window open at once gets its own place, a step down and right of
    // the one before, so none hides another.
    const velmora::WindowSlot slot(velmora::WindowSlotFolder());
    if (const QScreen* screen = window.screen()) {
        const int step = 32 * slot.Number();
        const QRect room = screen->availableGeometry();
        QPoint at = room.center() - window.rect().center() + QPoint(step, step);
        at.setX(std::min(at.x(), room.right() - window.width()));
        at.setY(std::min(at.y(), room.bottom() - window.height()));
        window.move(at);
    }
    window.show();
    window.Start();
    const int shown = QApplication::exec();
    // A caller that waits (velmora-cli get --wait, the window's status
    // line) reads why from the last line here.
    // Written escaped: a name from a page must not drive the terminal.
    for (const std::string& line : window.FailureLines())
        std::fprintf(stderr, "%s\n", velmora::EscapeControls(line).c_str());
    return window.Succeeded() ? 0 : (shown != 0 ? shown : 1);
}
