// The upgrade dialog against an update service on 127.0.0.1.

#include <QListWidget>

#include <stdlib.h>

#include "platform/program-version.h"
#include "upgrade/ui/upgrade-dialog.h"
#include "upgrade/update-request.h"
#include "window-fixture.h"

namespace velmora {
namespace {

using test::PageBehavior;

class UpgradeDialogTest : public test::WindowTest {
protected:
    test::PageServer service;
    const std::string object = "/~orlund/cgi-bin/updates/update.cgi?velmora_";

    void SetUp() override
    {
        ::setenv("VELMORA_UPDATE_HOST", ("127.0.0.1:" + std::to_string(service.Port())).c_str(), 1);
    }
    void TearDown() override { ::unsetenv("VELMORA_UPDATE_HOST"); }

    std::unique_ptr<UpgradeDialog> OpenDialog(int mode)
    {
        auto dialog = std::make_unique<UpgradeDialog>(mode, window->GetSession(), window.get());
        dialog->show();
        return dialog;
    }

    QStringList Listed(const UpgradeDialog& dialog, bool tickedOnly = false)
    {
        QStringList names;
        for (int i = 0; i < dialog.GetList()->count(); ++i) {
            if (!tickedOnly || dialog.GetList()->item(i)->checkState() == Qt::Checked)
                names << dialog.GetList()->item(i)->text();
        }
        return names;
    }
};

TEST_F(UpgradeDialogTest, MergedEnginesShowInTheEngineTreeAtOnce)
{
    service.Route(object + "engines", {PageBehavior::Kind::Serve, "[Zeta]\nQuery=http://z/?q=%s\nDate= 7122026\n"
                                                                  "[alpha]\nQuery=http://a/?q=%s\nDate= 1122026\n"});
    Open("[alpha]\nQuery=old\nDate= 6122026\n");
    auto dialog = OpenDialog(2);
    EXPECT_EQ(dialog->GetInfoText(), "Please wait while looking for upgrades...");
    ASSERT_TRUE(Until([&] { return dialog->IsAnswered(); }));
    EXPECT_EQ(Listed(*dialog), (QStringList{"alpha", "Zeta"}));
    EXPECT_EQ(Listed(*dialog, true), QStringList{"Zeta"});
    dialog->GetList()->item(0)->setCheckState(Qt::Checked); // alpha, though not newer
    dialog->OnOK();
    EXPECT_EQ(dialog->GetInfoText(), "Added: Zeta. Replaced: alpha.");
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays to say what it did";
    EXPECT_TRUE(dialog->findChild<QPushButton*>("ok")->isHidden());
    EXPECT_EQ(dialog->findChild<QPushButton*>("cancel")->text(), "Close");
    ASSERT_EQ(Tree("engineTree")->topLevelItemCount(), 2);
    EXPECT_EQ(Tree("engineTree")->topLevelItem(1)->text(0), "Zeta");
    EXPECT_EQ(Tree("engineTree")->topLevelItem(1)->checkState(0), Qt::Checked) << "no Search key: ticked";
}

TEST_F(UpgradeDialogTest, ANewerVersionOffersItsLocations)
{
    service.Route(object + "version", {PageBehavior::Kind::Serve,
                                       "[Version]\nMajor=3\nMinor=0\nBuild=0\n[Download]\nCount=2\nLocation1=b-mirror\n"
                                       "Location2=a-mirror\nURL0=http://a/\nURL1=http://b/\n"});
    Open();
    auto dialog = OpenDialog(1);
    ASSERT_TRUE(Until([&] { return dialog->IsAnswered(); }));
    EXPECT_EQ(Listed(*dialog), (QStringList{"a-mirror", "b-mirror"}));
    EXPECT_EQ(dialog->GetInfoText(),
              QString::fromStdString("Latest version is: 3.0 Build 0 (you have " + GetVersionNumbers() +
                                     ")\nDouble click one of the locations above to start downloading..."));
}

TEST_F(UpgradeDialogTest, OkOnASelectedLocationDownloadsItAsADoubleClickDoes)
{
    service.Route(object + "version", {PageBehavior::Kind::Serve,
                                       "[Version]\nMajor=3\nMinor=0\nBuild=0\n[Download]\nCount=2\nLocation1=b-mirror\n"
                                       "Location2=a-mirror\nURL0=http://a/\nURL1=http://b/\n"});
    Open();
    // The stand-in FileTransfer, first on PATH, writes what it was given.
    std::filesystem::create_directory(dir.File("bin"));
    std::filesystem::create_symlink(RECORD_ARGS_PATH, dir.File("bin/FileTransfer"));
    const std::string oldPath = ::getenv("PATH") ? ::getenv("PATH") : "";
    ::setenv("PATH", (dir.File("bin") + ":" + oldPath).c_str(), 1);
    const std::string record = dir.File("recorded");
    ::setenv("VELMORA_RECORD_FILE", record.c_str(), 1);
    const auto fetchedUrl = [&] {
        EXPECT_TRUE(test::WaitFor([&] { return !test::ReadRecordedArgs(record).empty(); }));
        const auto recorded = test::ReadRecordedArgs(record);
        std::filesystem::remove(record);
        return recorded.empty() ? std::string() : recorded.back();
    };
    auto clicked = OpenDialog(1);
    ASSERT_TRUE(Until([&] { return clicked->IsAnswered(); }));
    emit clicked->GetList()->itemDoubleClicked(clicked->GetList()->item(1));
    const std::string byDoubleClick = fetchedUrl();
    auto dialog = OpenDialog(1);
    ASSERT_TRUE(Until([&] { return dialog->IsAnswered(); }));
    dialog->GetList()->setCurrentRow(1);
    dialog->OnOK();
    const std::string byOk = fetchedUrl();
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_FALSE(byOk.empty());
    EXPECT_EQ(byOk, byDoubleClick);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(UpgradeDialogTest, AFailedFetchSaysSoAndLeavesOnlyClose)
{
    Open();
    auto dialog = OpenDialog(3);
    ASSERT_TRUE(Until([&] { return dialog->GetInfoText() != "Please wait while looking for upgrades..."; }));
    EXPECT_EQ(dialog->GetInfoText().toStdString(), "The update service at " + GetUpdateHost() +
                                                       " has no such update (404): it may have moved; try again "
                                                       "later.");
    EXPECT_TRUE(dialog->findChild<QPushButton*>("ok")->isHidden());
    EXPECT_EQ(dialog->findChild<QPushButton*>("cancel")->text(), "Close");
}

TEST_F(UpgradeDialogTest, OkWithNothingSelectedChangesNothing)
{
    service.Route(object + "clients", {PageBehavior::Kind::Serve, "[lftp]\nPath=lftp\n"});
    Open();
    auto dialog = OpenDialog(3);
    ASSERT_TRUE(Until([&] { return dialog->IsAnswered(); }));
    EXPECT_EQ(dialog->GetInfoText(), "New clients were found, tick those you want to add to the FTP clients list.");
    EXPECT_EQ(Listed(*dialog, true), QStringList{}) << "no client is ticked for the user";
    dialog->OnOK();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(std::filesystem::exists(dir.File("clients.dat")));
}

} // namespace
} // namespace velmora
