#pragma once

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

#include "app/ui/main-dlg.h"
#include "app/ui/status-bar.h"
#include "app/ui/tree-images.h"
#include "support/page-server.h"
#include "test-support.h"

namespace velmora::test {

// A main window in a fresh working folder.
class WindowTest : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<CMainDlg> window;

    // Automatic tests are off unless the settings ask for them: the made-up
    // servers of the test pages must never be looked up.
    void Open(const std::string& settings = {}, bool autoTest = false)
    {
        if (!settings.empty() || !autoTest)
            WriteFile(dir.File("settings.dat"), (autoTest ? "" : "[Settings]\nAutoTest=0\n") + settings);
        window = std::make_unique<CMainDlg>(dir.Path());
        window->show();
        QApplication::processEvents();
    }

    template <typename T> T* Find(const char* id) const { return window->findChild<T*>(QString::fromLatin1(id)); }

    QTreeWidget* Tree(const char* id) const { return Find<QTreeWidget>(id); }
    QString Status(int part) const { return Find<CStatusBar>("180")->GetText(part); }
    QString Caption() const { return Find<QPushButton>("1002")->text(); }
    int MarkOf(QTreeWidgetItem* item) const { return item->data(0, kTreeMarkRole).toInt(); }

    // Runs the event loop until `done` holds; false when the deadline passed.
    bool Until(const std::function<bool()>& done, std::chrono::milliseconds deadline = std::chrono::seconds(20))
    {
        return WaitFor(
            [&] {
                QApplication::processEvents();
                return done();
            },
            deadline);
    }
};

} // namespace velmora::test
