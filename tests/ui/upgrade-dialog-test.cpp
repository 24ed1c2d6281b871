// The upgrade dialog against an update service on 127.0.0.1.

#include <QListWidget>

#include <stdlib.h>

#include "upgrade/ui/upgrade-dlg.h"
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

    std::unique_ptr<CUpgradeDlg> OpenDialog(int mode)
    {
        auto dialog = std::make_unique<CUpgradeDlg>(mode, window->GetSession(), window.get());
        dialog->show();
        return dialog;
    }

    QStringList Listed(const CUpgradeDlg& dialog, bool selectedOnly = false)
    {
        QStringList names;
        for (int i = 0; i < dialog.GetList()->count(); ++i) {
            if (!selectedOnly || dialog.GetList()->item(i)->isSelected())
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
    dialog->OnOK();
    ASSERT_EQ(Tree("1006")->topLevelItemCount(), 2);
    EXPECT_EQ(Tree("1006")->topLevelItem(1)->text(0), "Zeta");
    EXPECT_EQ(Tree("1006")->topLevelItem(1)->checkState(0), Qt::Checked) << "no Search key: ticked";
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
              "Latest version is: 3.0 Build 0\nDouble click one of the locations above to start downloading...");
}

TEST_F(UpgradeDialogTest, AFailedFetchSaysSoAndLeavesOnlyCancel)
{
    Open();
    auto dialog = OpenDialog(3);
    ASSERT_TRUE(Until([&] { return dialog->GetInfoText() != "Please wait while looking for upgrades..."; }));
    EXPECT_EQ(dialog->GetInfoText(), "The update service answered 404.");
    EXPECT_FALSE(dialog->findChild<QPushButton*>("1")->isEnabled());
}

TEST_F(UpgradeDialogTest, OkWithNothingSelectedChangesNothing)
{
    service.Route(object + "clients", {PageBehavior::Kind::Serve, "[lftp]\nPath=lftp\n"});
    Open();
    auto dialog = OpenDialog(3);
    ASSERT_TRUE(Until([&] { return dialog->IsAnswered(); }));
    EXPECT_EQ(dialog->GetInfoText(), "New clients were found, select those you want to add to the FTP clients list.");
    dialog->OnOK();
    EXPECT_FALSE(std::filesystem::exists(dir.File("clients.dat")));
}

} // namespace
} // namespace velmora
