// The settings sheet from the window, as a user drives it.

#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>

#include <functional>

#include "settings/profile-store.h"
#include "settings/ui/settings-dlg.h"
#include "window-fixture.h"

namespace velmora {
namespace {

class SettingsSheetTest : public test::WindowTest {
protected:
    std::unique_ptr<CSettingsDlg> sheet;
    QString lastMessage;

    void OpenSheet()
    {
        sheet = std::make_unique<CSettingsDlg>(window->GetSession(), window.get());
        sheet->show();
        QApplication::processEvents();
    }

    // A control of the page in front (the pages share some ids).
    template <typename T> T* Page(const char* id) const
    {
        return sheet->GetTabs()->currentWidget()->findChild<T*>(QString::fromLatin1(id));
    }

    void Click(const char* id)
    {
        auto* button = Page<QPushButton>(id);
        ASSERT_TRUE(button != nullptr) << id;
        ASSERT_TRUE(button->isEnabled()) << id;
        button->click();
    }

    // Runs `action`; a message box that comes up meanwhile is read and closed.
    void AnsweringMessages(const std::function<void()>& action)
    {
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box && box->isVisible()) {
                    lastMessage = box->text();
                    box->accept();
                }
            }
        });
        watcher.start(20);
        action();
        watcher.stop();
    }

    void PressOk()
    {
        AnsweringMessages([this] { sheet->OnOK(); });
    }

    void ShowTab(int index)
    {
        sheet->GetTabs()->setCurrentIndex(index);
        QApplication::processEvents();
    }

    QStringList Engines()
    {
        QStringList names;
        for (int i = 0; i < Tree("1006")->topLevelItemCount(); ++i)
            names << Tree("1006")->topLevelItem(i)->text(0);
        return names;
    }
};

TEST_F(SettingsSheetTest, TabsAndAnOkThatRewritesTheThreadLimit)
{
    Open();
    OpenSheet();
    EXPECT_EQ(sheet->windowTitle(), "Settings");
    ASSERT_EQ(sheet->GetTabs()->count(), 3);
    EXPECT_EQ(sheet->GetTabs()->tabText(0), "General");
    EXPECT_EQ(sheet->GetTabs()->tabText(1), "FTP Clients");
    EXPECT_EQ(sheet->GetTabs()->tabText(2), "Search Engines");
    EXPECT_EQ(Page<QLineEdit>("1021")->text(), "5");
    PressOk();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(GetPrivateProfileIntA("Settings", "Maxthreads", 0, dir.File("settings.dat")), 5);
    EXPECT_EQ(GetPrivateProfileStringA("Settings", "FTPClient", "unset", 256, dir.File("settings.dat")), "unset")
        << "pages never shown write nothing";
}

TEST_F(SettingsSheetTest, TheThreadLimitMustLieBetweenOneAndTwenty)
{
    Open();
    for (const char* bad : {"0", "21", ""}) {
        OpenSheet();
        Page<QLineEdit>("1021")->setText(QString::fromLatin1(bad));
        lastMessage.clear();
        PressOk();
        EXPECT_NE(sheet->result(), QDialog::Accepted) << bad;
        EXPECT_EQ(lastMessage, "Please enter an integer between 1 and 20.") << bad;
    }
    OpenSheet();
    Page<QLineEdit>("1021")->setText("0");
    AnsweringMessages([this] { ShowTab(2); });
    EXPECT_EQ(sheet->GetTabs()->currentIndex(), 0) << "the General page cannot be left";
    Page<QLineEdit>("1021")->setText("10");
    PressOk();
    EXPECT_EQ(window->GetSession().GetMaxThreads(), 10) << "the next search uses it";
    EXPECT_EQ(GetPrivateProfileIntA("Settings", "Maxthreads", 0, dir.File("settings.dat")), 10);
}

TEST_F(SettingsSheetTest, EnginesAddedEditedAndDeletedReachTheTreeOnOk)
{
    Open("[Alpha]\nQuery=http://a/?q=%s\n[Beta]\nQuery=http://b/?q=%s\n");
    OpenSheet();
    ShowTab(2);
    EXPECT_FALSE(Page<QPushButton>("1041")->isEnabled());
    Click("1036"); // New
    Page<QLineEdit>("1025")->setText("Gamma");
    Page<QLineEdit>("1044")->setText("http://g/?q=%s");
    Click("1041"); // Done
    EXPECT_FALSE(Page<QPushButton>("1041")->isEnabled());
    auto* list = Page<QListWidget>("1034");
    list->setCurrentRow(1); // Beta
    Click("1037");          // Edit
    EXPECT_FALSE(Page<QLineEdit>("1025")->isEnabled());
    Page<QLineEdit>("1044")->setText("http://b/static");
    Click("1041");
    list->setCurrentRow(0); // Alpha
    Click("1038");          // Delete
    EXPECT_EQ(list->count(), 2);
    PressOk();
    EXPECT_EQ(Engines(), QStringList{"Gamma"}) << "Beta lost its %s and left the tree";
}

TEST_F(SettingsSheetTest, ClientsAreEditedAndTheFirstBecomesActiveOnOk)
{
    Open();
    test::WriteFile(dir.File("clients.dat"), "[zftp]\nPath=z\n");
    OpenSheet();
    ShowTab(1);
    Click("1030"); // Delete the only client: nothing happens
    EXPECT_EQ(Page<QListWidget>("1023")->count(), 1);
    Click("1028"); // New
    Page<QLineEdit>("1025")->setText("lftp");
    Page<QLineEdit>("1026")->setText("lftp");
    Page<QLineEdit>("1027")->setText("-f %s");
    Page<QPlainTextEdit>("1024")->setPlainText("open %h\nget %r%f");
    Click("1031"); // Done
    EXPECT_EQ(Page<QListWidget>("1023")->count(), 2);
    EXPECT_EQ(GetPrivateProfileStringA("lftp", "Script", "", 5120, dir.File("clients.dat")), "open %h\\nget %r%f");
    Page<QListWidget>("1023")->clearSelection();
    PressOk();
    EXPECT_EQ(GetPrivateProfileStringA("Settings", "FTPClient", "", 256, dir.File("settings.dat")), "lftp");
    EXPECT_EQ(GetPrivateProfileStringA("Settings", "LocalDir", "", 256, dir.File("settings.dat")), "./");
}

TEST_F(SettingsSheetTest, SettingsIsGrayedWhileASearchRuns)
{
    test::PageServer pages;
    pages.Route("/hang", {test::PageBehavior::Kind::Hang});
    Open("[E]\nQuery=" + pages.Url("/hang") + "\n");
    EXPECT_TRUE(window->GetCommand(32774)->isEnabled());
    Find<QLineEdit>("1005")->setText("x");
    window->OnSearch();
    EXPECT_FALSE(window->GetCommand(32774)->isEnabled());
    window->OnSearch(); // Stop
    EXPECT_TRUE(window->GetCommand(32774)->isEnabled());
}

} // namespace
} // namespace velmora
