// The settings sheet from the window, as a user drives it.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "settings/profile-store.h"
#include "settings/ui/settings-dialog.h"
#include "window-fixture.h"

namespace velmora {
namespace {

class SettingsSheetTest : public test::WindowTest {
protected:
    std::unique_ptr<SettingsDialog> sheet;

    void OpenSheet()
    {
        sheet = std::make_unique<SettingsDialog>(window->GetSession(), window.get());
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

    void PressOk()
    {
        AnsweringMessages([this] { sheet->OnOK(); });
    }

    void ShowTab(int index)
    {
        sheet->GetTabs()->setCurrentIndex(index);
        QApplication::processEvents();
    }

    // What is typed into the thread limit, taken or not.
    QLineEdit* ThreadField() const { return Page<QSpinBox>("threadLimit")->findChild<QLineEdit*>(); }

    QStringList Engines()
    {
        QStringList names;
        for (int i = 0; i < Tree("engineTree")->topLevelItemCount(); ++i)
            names << Tree("engineTree")->topLevelItem(i)->text(0);
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
    EXPECT_EQ(Page<QSpinBox>("threadLimit")->value(), 5);
    QStringList labels;
    for (const QLabel* label : sheet->GetTabs()->currentWidget()->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains("Most threads running at once\n(10 is good for fast connections)"))
        << labels.join('|').toStdString();
    PressOk();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetInt("Settings", "Maxthreads", 0), 5);
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetString("Settings", "FTPClient", "unset", 256), "unset")
        << "pages never shown write nothing";
}

TEST_F(SettingsSheetTest, TheThreadLimitMustLieBetweenOneAndTwenty)
{
    Open();
    for (const char* bad : {"0", "21", ""}) {
        OpenSheet();
        ThreadField()->setText(QString::fromLatin1(bad));
        lastMessage.clear();
        PressOk();
        EXPECT_NE(sheet->result(), QDialog::Accepted) << bad;
        EXPECT_EQ(lastMessage, "Please enter an integer between 1 and 20.") << bad;
    }
    OpenSheet();
    ThreadField()->setText("0");
    lastMessage.clear();
    AnsweringMessages([this] { ShowTab(2); });
    ShowTab(0);
    EXPECT_EQ(Page<QSpinBox>("threadLimit")->value(), 5) << lastMessage.toStdString();
    EXPECT_EQ(Page<QSpinBox>("threadLimit")->text(), "5") << "leaving the page takes back what is not allowed";
    ThreadField()->setText("10");
    PressOk();
    EXPECT_TRUE(StatusTip().contains("at most 10 at once")) << "the next search uses it";
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetInt("Settings", "Maxthreads", 0), 10);
}

TEST_F(SettingsSheetTest, EnginesAddedEditedAndDeletedReachTheTreeOnOk)
{
    Open("[Alpha]\nQuery=http://a/?q=%s\n[Beta]\nQuery=http://b/?q=%s\n");
    OpenSheet();
    ShowTab(2);
    EXPECT_FALSE(Page<QPushButton>("engineDone")->isEnabled());
    Click("newEngine"); // New
    Page<QLineEdit>("name")->setText("Gamma");
    Page<QLineEdit>("engineQuery")->setText("http://g/?q=%s");
    Click("engineDone"); // Done
    EXPECT_FALSE(Page<QPushButton>("engineDone")->isEnabled());
    auto* list = Page<QListWidget>("engineList");
    list->setCurrentRow(1); // Beta
    Click("editEngine");    // Edit
    EXPECT_FALSE(Page<QLineEdit>("name")->isEnabled());
    Page<QLineEdit>("engineQuery")->setText("http://b/static");
    AnsweringMessages([this] { Click("engineDone"); });
    EXPECT_EQ(lastMessage, "The query of \"Beta\" holds no %s: the engine is kept, but it is not listed or searched.");
    list->setCurrentRow(0); // Alpha
    Click("deleteEngine");  // Delete
    EXPECT_EQ(list->count(), 2);
    PressOk();
    EXPECT_EQ(Engines(), QStringList{"Gamma"}) << "Beta lost its %s and left the tree";
}

TEST_F(SettingsSheetTest, AnEnginesKeyIsShownHiddenAndItsAnswerAndPagesAreEdited)
{
    Open("[Api]\nQuery=http://a/?q=%s&key=%k\nKey=s3cret\n");
    OpenSheet();
    ShowTab(2);
    auto* key = Page<QLineEdit>("engineKey");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->echoMode(), QLineEdit::Password);
    EXPECT_EQ(key->text(), "s3cret");
    EXPECT_NE(key->displayText(), "s3cret") << "shown as dots";
    EXPECT_FALSE(Page<QComboBox>("engineFormat")->isEnabled()) << "read-only while idle";
    EXPECT_FALSE(Page<QLineEdit>("engineResults")->isEnabled()) << "an HTML engine has no results path";
    Click("editEngine"); // Edit
    Page<QComboBox>("engineFormat")->setCurrentIndex(1);
    EXPECT_TRUE(Page<QLineEdit>("engineResults")->isEnabled());
    Page<QLineEdit>("engineResults")->setText("web.results[].url");
    Page<QLineEdit>("engineHeader")->setText("X-Subscription-Token: %k");
    Page<QSpinBox>("enginePages")->setValue(3);
    Click("engineDone"); // Done
    PressOk();
    const ProfileSnapshot saved(dir.File("settings.dat"));
    EXPECT_EQ(saved.FindValue("Api", "Format"), "json");
    EXPECT_EQ(saved.FindValue("Api", "Results"), "web.results[].url");
    EXPECT_EQ(saved.FindValue("Api", "Header"), "X-Subscription-Token: %k");
    EXPECT_EQ(saved.FindValue("Api", "Pages"), "3");
    EXPECT_EQ(saved.FindValue("Api", "Key"), "s3cret");

    // A key typed in, and Enter for Done, as a user does.
    Click("editEngine"); // Edit
    Page<QLineEdit>("engineKey")->clear();
    QTest::keyClicks(Page<QLineEdit>("engineKey"), "n3w-key");
    AnsweringMessages([&] { QTest::keyClick(Page<QLineEdit>("engineKey"), Qt::Key_Return); });
    EXPECT_FALSE(Page<QPushButton>("engineDone")->isEnabled()) << lastMessage.toStdString();
    PressOk();
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).FindValue("Api", "Key"), "n3w-key");
}

TEST_F(SettingsSheetTest, TicksMadeInTheWindowSurviveAnEngineEditInTheSheet)
{
    Open("[Alpha]\nQuery=http://a/?q=%s\n[Beta]\nQuery=http://b/?q=%s\n");
    Tree("engineTree")->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_NE(test::ReadFile(dir.File("settings.dat")).find("[Beta]\nQuery=http://b/?q=%s\nSearch=N"),
              std::string::npos)
        << "the tick is saved when it changes";
    OpenSheet();
    ShowTab(2);
    Page<QListWidget>("engineList")->setCurrentRow(0); // Alpha
    Click("editEngine");                               // Edit
    Page<QLineEdit>("engineQuery")->setText("http://a2/?q=%s");
    Click("engineDone"); // Done
    PressOk();
    ASSERT_EQ(Engines(), (QStringList{"Alpha", "Beta"}));
    EXPECT_EQ(Tree("engineTree")->topLevelItem(1)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(Tree("engineTree")->topLevelItem(0)->checkState(0), Qt::Checked);
}

TEST_F(SettingsSheetTest, EnginesKeepTheWindowsOrderMoveAndDoneShowsWhatItSaved)
{
    Open("[Zeta]\nQuery=http://z/?q=%s\n[Alpha]\nQuery=http://a/?q=%s\n");
    OpenSheet();
    ShowTab(2);
    auto* list = Page<QListWidget>("engineList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Zeta") << "the order of the window's engine list";
    Click("newEngine"); // New
    Page<QLineEdit>("name")->setText("Gamma");
    Page<QLineEdit>("engineQuery")->setText("http://g/?q=%s");
    Click("engineDone"); // Done
    EXPECT_EQ(list->currentItem()->text(), "Gamma");
    EXPECT_EQ(Page<QLineEdit>("name")->text(), "Gamma") << "the form shows the engine just saved";
    EXPECT_EQ(Page<QLineEdit>("engineQuery")->text(), "http://g/?q=%s");
    Click("engineUp");
    Click("engineUp");
    EXPECT_EQ(list->item(0)->text(), "Gamma");
    EXPECT_EQ(list->currentItem()->text(), "Gamma");
    PressOk();
    EXPECT_EQ(Engines(), (QStringList{"Gamma", "Zeta", "Alpha"}));
}

TEST_F(SettingsSheetTest, ClientsAreEditedAndTheFirstBecomesActiveOnOk)
{
    Open();
    test::WriteFile(dir.File("clients.dat"), "[zftp]\nPath=z\n");
    OpenSheet();
    ShowTab(1);
    Click("deleteClient"); // Delete the only client: nothing happens
    EXPECT_EQ(Page<QListWidget>("clientList")->count(), 1);
    Click("newClient"); // New
    Page<QLineEdit>("name")->setText("lftp");
    Page<QLineEdit>("clientPath")->setText("lftp");
    Page<QLineEdit>("clientArguments")->setText("-f %s");
    Page<QPlainTextEdit>("clientScript")->setPlainText("open %h\nget %r%f");
    Click("clientDone"); // Done
    EXPECT_EQ(Page<QListWidget>("clientList")->count(), 2);
    EXPECT_EQ(ProfileSnapshot(dir.File("clients.dat")).GetString("lftp", "Script", "", 5120), "open %h\\nget %r%f");
    Page<QListWidget>("clientList")->clearSelection();
    PressOk();
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetString("Settings", "FTPClient", "", 256), "lftp");
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetString("Settings", "LocalDir", "", 256), "./");
}

TEST_F(SettingsSheetTest, TheClientsPageOpensOnTheClientInUseAndOnlyUseForGetFileChangesIt)
{
    Open("[Settings]\nFTPClient=lftp\n");
    test::WriteFile(dir.File("clients.dat"), "[FileZilla]\nPath=filezilla\n[lftp]\nPath=lftp\n");
    OpenSheet();
    ShowTab(1);
    auto* list = Page<QListWidget>("clientList");
    ASSERT_EQ(list->count(), 2);
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->currentItem()->text(), "lftp") << "the page opens on the client in use";
    list->setCurrentRow(0); // looking at FileZilla
    EXPECT_EQ(Page<QLabel>("activeClient")->text(), "Used for Get File: lftp");
    PressOk();
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetString("Settings", "FTPClient", "", 256), "lftp")
        << "looking and pressing OK changes nothing";

    OpenSheet();
    ShowTab(1);
    Page<QListWidget>("clientList")->setCurrentRow(0);
    Click("useForGetFile");
    EXPECT_EQ(Page<QLabel>("activeClient")->text(), "Used for Get File: FileZilla");
    EXPECT_TRUE(Page<QListWidget>("clientList")->item(0)->font().bold());
    PressOk();
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetString("Settings", "FTPClient", "", 256), "FileZilla");
}

TEST_F(SettingsSheetTest, NewAndEditPutTheCursorInTheForm)
{
    Open("[Alpha]\nQuery=http://a/?q=%s\n");
    test::WriteFile(dir.File("clients.dat"), "[lftp]\nPath=lftp\n");
    OpenSheet();
    ShowTab(2);
    Click("newEngine"); // New engine
    EXPECT_EQ(sheet->focusWidget(), Page<QLineEdit>("name")) << "typing goes into the name";
    Click("cancelEdit"); // Cancel
    Page<QListWidget>("engineList")->setCurrentRow(0);
    Click("editEngine"); // Edit
    QWidget* editing = sheet->focusWidget();
    ASSERT_NE(editing, nullptr);
    EXPECT_TRUE(editing == Page<QLineEdit>("name") || editing == Page<QLineEdit>("engineHomepage"))
        << "a field of the form";
    ShowTab(1);
    Click("newClient"); // New client
    EXPECT_EQ(sheet->focusWidget(), Page<QLineEdit>("name"));
}

TEST_F(SettingsSheetTest, SettingsIsGrayedWhileASearchRuns)
{
    test::PageServer pages;
    pages.Route("/hang", {test::PageBehavior::Kind::Hang});
    Open("[E]\nQuery=" + pages.Url("/hang") + "\n");
    EXPECT_TRUE(window->GetCommand(Command::Settings)->isEnabled());
    Find<QLineEdit>("searchWords")->setText("x");
    window->OnSearch();
    EXPECT_FALSE(window->GetCommand(Command::Settings)->isEnabled());
    window->OnSearch(); // Stop
    EXPECT_TRUE(window->GetCommand(Command::Settings)->isEnabled());
}

TEST_F(SettingsSheetTest, EnterInAnEngineFormIsDoneAndTheSheetStaysOpen)
{
    Open("[Alpha]\nQuery=http://a/?q=%s\n");
    OpenSheet();
    ShowTab(2);
    Click("newEngine"); // New
    auto* name = Page<QLineEdit>("name");
    name->setFocus();
    QTest::keyClicks(name, "Gamma");
    Page<QLineEdit>("engineQuery")->setText("http://g/?q=%s");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(sheet->isVisible()) << "Enter in the form never closes the sheet";
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(Page<QListWidget>("engineList")->count(), 2) << "Enter saved the half-made engine as Done does";

    Click("newEngine");
    Page<QLineEdit>("engineQuery")->setText("http://n/?q=%s");
    AnsweringMessages([&] { QTest::keyClick(Page<QLineEdit>("engineQuery"), Qt::Key_Enter); });
    EXPECT_EQ(lastMessage, "The engine needs a name.");
    Page<QLineEdit>("name")->setText("alpha");
    AnsweringMessages([this] { Click("engineDone"); });
    EXPECT_EQ(lastMessage, "An engine named \"alpha\" is listed already: choose another name.");
    EXPECT_TRUE(Page<QPushButton>("engineDone")->isEnabled()) << "the form is still there to mend";
}

TEST_F(SettingsSheetTest, SelectingShowsAnEntryReadOnlyAndTheActiveClientStandsOut)
{
    Open("[Settings]\nFTPClient=lftp\nLocalDir=./\n");
    test::WriteFile(dir.File("clients.dat"), "[gftp]\nPath=gftp\n[lftp]\nPath=/usr/bin/lftp\nArgs=-f %s\n");
    OpenSheet();
    ShowTab(1);
    auto* list = Page<QListWidget>("clientList");
    ASSERT_EQ(list->count(), 2);
    list->setCurrentRow(1);
    EXPECT_EQ(Page<QLineEdit>("clientPath")->text(), "/usr/bin/lftp") << "shown at once";
    EXPECT_TRUE(Page<QLineEdit>("clientPath")->isReadOnly());
    EXPECT_EQ(Page<QLabel>("activeClient")->text(), "Used for Get File: lftp");
    EXPECT_TRUE(list->item(1)->font().bold());
    EXPECT_FALSE(list->item(0)->font().bold());
    for (const char* placeholder : {"%h", "%o", "%u", "%p", "%r", "%f", "%l", "%s", "%[", "%]"})
        EXPECT_TRUE(Page<QLabel>("placeholders")->text().contains(QString::fromLatin1(placeholder))) << placeholder;
    EXPECT_TRUE(Page<QPushButton>("browseLocalDir")->isEnabled());
    Click("editClient"); // Edit
    EXPECT_FALSE(Page<QLineEdit>("clientPath")->isReadOnly());
}

TEST_F(SettingsSheetTest, EveryPageOpensWithEveryFieldWhole)
{
    Open("[Alpha]\nQuery=http://a/?q=%s\n");
    test::WriteFile(dir.File("clients.dat"), "[lftp]\nPath=lftp\nArgs=-f %s\nScript=open %h\n");
    OpenSheet();
    for (int tab = 0; tab < 3; ++tab) {
        ShowTab(tab);
        EXPECT_EQ(test::CrowdedControls(sheet.get()), QStringList{}) << "page " << tab;
    }
    EXPECT_LE(sheet->height(), 720) << "the sheet fits a small screen";
}

TEST_F(SettingsSheetTest, KeepingSearchesIsASettingThatTakesEffectAtOnce)
{
    Open();
    EXPECT_TRUE(window->GetSession().IsSaving()) << "searches are kept unless turned off";
    OpenSheet();
    auto* keep = Page<QCheckBox>("saveSearches");
    ASSERT_NE(keep, nullptr);
    EXPECT_TRUE(keep->isChecked());
    keep->setChecked(false);
    PressOk();
    EXPECT_EQ(ProfileSnapshot(dir.File("settings.dat")).GetInt("Settings", "SaveSearches", 1), 0);
    EXPECT_FALSE(window->GetSession().IsSaving());
    sheet.reset(); // the window's child
    window.reset();
    window = std::make_unique<MainWindow>(dir.Path());
    EXPECT_FALSE(window->GetSession().IsSaving()) << "and stays so at the next start";
}

} // namespace
} // namespace velmora
