// FileTransfer URL: downloads one file into the current folder.

#include <QApplication>
#include <QDir>

#include <cstdio>

#include "transfer-window.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fputs("Usage: FileTransfer URL\nDownloads the file at URL (http, https or ftp) into the current folder.\n",
                   stderr);
        return 2;
    }
    velmora::CTransferWindow window(args[1].toStdString(), QDir::currentPath().toStdString());
    window.show();
    window.Start();
    const int shown = QApplication::exec();
    return window.Succeeded() ? 0 : (shown != 0 ? shown : 1);
}
