#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/ui/main-window.h"
#include "app/ui/status-bar.h"
#include "support/page-server.h"
#include "test-support.h"
#include "ui-common/tree-images.h"

// Failed checks on texts print the texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace velmora::test {

// The visible controls under `root` that overlap another or are cut below
// the height they need, described for a failure message. Controls inside
// controls (a spin box's edit, a list's scroll bar) are their control's.
inline QStringList CrowdedControls(QWidget* root)
{
    const auto isControl = [](const QWidget* widget) {
        return widget->inherits("QLabel") || widget->inherits("QLineEdit") || widget->inherits("QAbstractButton") ||
               widget->inherits("QAbstractScrollArea") || widget->inherits("QComboBox") ||
               widget->inherits("QAbstractSpinBox") || widget->inherits("QProgressBar");
    };
    std::vector<QWidget*> controls;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        bool inner = false;
        for (QWidget* up = widget->parentWidget(); up != nullptr && up != root; up = up->parentWidget())
            inner = inner || isControl(up);
        // Qt's own parts (a dock's title buttons) are Qt's business.
        const bool qtPart = widget->objectName().startsWith(QStringLiteral("qt_"));
        if (!inner && !qtPart && isControl(widget) && widget->isVisibleTo(root))
            controls.push_back(widget);
    }
    const auto name = [](const QWidget* widget) {
        const auto* label = qobject_cast<const QLabel*>(widget);
        return QStringLiteral("%1 '%2'").arg(QString::fromLatin1(widget->metaObject()->className()),
                                             label ? label->text().left(30) : widget->objectName());
    };
    QStringList crowded;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const QRect place(controls[i]->mapTo(root, QPoint(0, 0)), controls[i]->size());
        const auto* label = qobject_cast<const QLabel*>(controls[i]);
        // An explicit minimum stands in for the hint, as in Qt's layouts.
        const int minimum =
            controls[i]->minimumHeight() > 0 ? controls[i]->minimumHeight() : controls[i]->minimumSizeHint().height();
        const int needed = label && label->wordWrap() ? label->heightForWidth(label->width()) : minimum;
        if (controls[i]->height() < needed)
            crowded << name(controls[i]) + QStringLiteral(" is cut: %1 < %2").arg(controls[i]->height()).arg(needed);
        // A label or a button shows its whole text.
        const bool wholeText = (label && !label->wordWrap()) || controls[i]->inherits("QAbstractButton");
        if (wholeText && controls[i]->width() < controls[i]->minimumSizeHint().width())
            crowded << name(controls[i]) + QStringLiteral(" is cut short: %1 < %2")
                                               .arg(controls[i]->width())
                                               .arg(controls[i]->minimumSizeHint().width());
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            const QRect other(controls[j]->mapTo(root, QPoint(0, 0)), controls[j]->size());
            if (place.intersects(other))
                crowded << name(controls[i]) + " overlaps " + name(controls[j]);
        }
    }
    return crowded;
}

// A main window in a fresh working folder.
class WindowTest : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<MainWindow> window;

    // Automatic tests are off unless the settings ask for them: the made-up
    // servers of the test pages must never be looked up.
    void Open(const std::string& settings = {}, bool autoTest = false)
    {
        if (!settings.empty() || !autoTest)
            WriteFile(dir.File("settings.dat"), (autoTest ? "" : "[Settings]\nAutoTest=0\n") + settings);
        window = std::make_unique<MainWindow>(dir.Path());
        window->show();
        QApplication::processEvents();
    }

    template <typename T> T* Find(const char* id) const { return window->findChild<T*>(QString::fromLatin1(id)); }

    QTreeWidget* Tree(const char* id) const { return Find<QTreeWidget>(id); }
    // The results tree: a view over a model of the session's results.
    QTreeView* Results() const { return Find<QTreeView>("resultsView"); }
    QModelIndex Result(int row, const QModelIndex& parent = {}) const
    {
        return Results()->model()->index(row, 0, parent);
    }
    // The texts of the rows under `parent`.
    QStringList ResultTexts(const QModelIndex& parent = {}) const
    {
        QStringList texts;
        const QAbstractItemModel* model = Results()->model();
        for (int row = 0; row < model->rowCount(parent); ++row)
            texts << model->index(row, 0, parent).data().toString();
        return texts;
    }
    QString Status(int part) const { return Find<StatusBar>("statusBar")->GetText(part); }
    // The status bar's tip: what the thread count counts against.
    QString StatusTip() const
    {
        for (const QLabel* part : Find<StatusBar>("statusBar")->findChildren<QLabel*>()) {
            if (!part->toolTip().isEmpty())
                return part->toolTip();
        }
        return {};
    }
    QString Caption() const { return Find<QPushButton>("searchButton")->text(); }
    int MarkOf(QTreeWidgetItem* item) const { return item->data(0, kTreeMarkRole).toInt(); }

    // Runs `action`; a message box that comes up meanwhile is read into
    // `lastMessage` and closed.
    QString lastMessage;
    void AnsweringMessages(const std::function<void()>& action)
    {
        lastMessage.clear();
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box && box->isVisible()) {
                    lastMessage = box->text();
                    // A question is answered Yes.
                    if (QAbstractButton* yes = box->button(QMessageBox::Yes))
                        yes->click();
                    else
                        box->accept();
                }
            }
        });
        watcher.start(20);
        action();
        QApplication::processEvents();
        watcher.stop();
    }

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
