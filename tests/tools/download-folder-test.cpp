// Where FileTransfer puts a download: the Local Directory of the settings
// in the folder it starts in.

#include "download-folder.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include "test-support.h"

namespace velmora {
namespace {

TEST(DownloadFolderTest, TheLocalDirectoryOfTheStartFoldersSettingsIsUsedAndMade)
{
    test::TempDir dir;
    EXPECT_EQ(ChooseDownloadFolder(dir.Path()).path, dir.Path()) << "no settings.dat: the start folder";
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nLocalDir=./\n");
    EXPECT_EQ(ChooseDownloadFolder(dir.Path()).path, dir.Path()) << "shown without \"/./\"";

    test::WriteFile(dir.File("settings.dat"), "[Settings]\nLocalDir=music/new\n[music]\nQuery=x\n");
    const DownloadFolder relative = ChooseDownloadFolder(dir.Path());
    EXPECT_EQ(relative.path, dir.File("music/new"));
    EXPECT_TRUE(relative.problem.empty()) << relative.problem;
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("music/new"))) << "a folder the user named is made";

    test::TempDir elsewhere;
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nLocalDir=" + elsewhere.Path() + "\n");
    EXPECT_EQ(ChooseDownloadFolder(dir.Path()).path, elsewhere.Path());

    const char* home = std::getenv("HOME");
    const std::string oldHome = home ? home : "";
    ::setenv("HOME", elsewhere.Path().c_str(), 1);
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nLocalDir=~/Downloads\n");
    const DownloadFolder homeFolder = ChooseDownloadFolder(dir.Path());
    ::setenv("HOME", oldHome.c_str(), 1);
    EXPECT_EQ(homeFolder.path, elsewhere.File("Downloads"));
}

TEST(DownloadFolderTest, AFolderThatCannotBeUsedIsASentenceNotADownloadElsewhere)
{
    test::TempDir dir;
    test::WriteFile(dir.File("taken"), "a file, not a folder");
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nLocalDir=taken\n");
    const DownloadFolder folder = ChooseDownloadFolder(dir.Path());
    EXPECT_EQ(folder.problem.rfind("The Local Directory " + dir.File("taken") + " cannot be used", 0), 0u)
        << folder.problem;
    EXPECT_NE(folder.problem.find("Edit > Settings > FTP Clients"), std::string::npos) << folder.problem;
}

} // namespace
} // namespace velmora
