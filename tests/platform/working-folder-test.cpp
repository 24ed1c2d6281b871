// Where the window works when it is started from a desktop menu, and how a
// new folder is set up.

#include <sys/stat.h>

#include <stdlib.h>

#include <optional>

#include <gtest/gtest.h>

#include "platform/user-folders.h"
#include "platform/working-folder.h"
#include "settings/local-directory.h"
#include "test-support.h"

namespace velmora {
namespace {

// Sets or clears an environment variable for one test.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = ::getenv(name))
            m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedVariable() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class WorkingFolderTest : public ::testing::Test {
protected:
    test::TempDir started; // where the program was started
    test::TempDir home;
    ScopedVariable homeVariable{"HOME", home.Path().c_str()};
    ScopedVariable velmoraHome{"VELMORA_HOME", nullptr};
    ScopedVariable dataHome{"XDG_DATA_HOME", nullptr};
    ScopedVariable configHome{"XDG_CONFIG_HOME", nullptr};
};

TEST_F(WorkingFolderTest, AFolderWithSettingsOrHereIsKeptElseTheDataFolder)
{
    EXPECT_EQ(ChooseWorkingFolder(started.Path(), true), started.Path());
    EXPECT_EQ(ChooseWorkingFolder(started.Path(), false), home.Path() + "/.local/share/velmora");
    {
        ScopedVariable relative("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(ChooseWorkingFolder(started.Path(), false), home.Path() + "/.local/share/velmora")
            << "a relative XDG_DATA_HOME is ignored";
        ScopedVariable data("XDG_DATA_HOME", "/srv/data");
        EXPECT_EQ(ChooseWorkingFolder(started.Path(), false), "/srv/data/velmora");
        ScopedVariable chosen("VELMORA_HOME", "/srv/velmora");
        EXPECT_EQ(ChooseWorkingFolder(started.Path(), false), "/srv/velmora");
    }
    test::WriteFile(started.File("settings.dat"), "[Settings]\n");
    EXPECT_EQ(ChooseWorkingFolder(started.Path(), false), started.Path());
}

TEST_F(WorkingFolderTest, ANewFolderIsMadeAndSeededAndAnOldOneLeftAsItIs)
{
    const std::string folder = home.Path() + "/.local/share/velmora";
    Result<bool> firstStart = PrepareWorkingFolder(folder);
    ASSERT_TRUE(firstStart) << firstStart.Why();
    EXPECT_TRUE(*firstStart);
    const std::string engines = FindSharedFile("engines.ini", "service/answers");
    ASSERT_FALSE(engines.empty());
    EXPECT_EQ(test::ReadFile(folder + "/settings.dat"), test::ReadFile(engines));
    struct stat seeded {};
    ASSERT_EQ(::stat((folder + "/settings.dat").c_str(), &seeded), 0);
    EXPECT_EQ(seeded.st_mode & 0777, 0600u) << "the catalogue holds API keys";
    EXPECT_EQ(test::ReadFile(folder + "/clients.dat"),
              test::ReadFile(FindSharedFile("clients.ini", "service/answers")));

    test::WriteFile(folder + "/settings.dat", "[Settings]\nMaxthreads=3\n");
    firstStart = PrepareWorkingFolder(folder);
    ASSERT_TRUE(firstStart);
    EXPECT_FALSE(*firstStart);
    EXPECT_EQ(test::ReadFile(folder + "/settings.dat"), "[Settings]\nMaxthreads=3\n");

    test::WriteFile(home.File("plain"), "a file");
    const Result<bool> notMade = PrepareWorkingFolder(home.File("plain") + "/velmora");
    EXPECT_FALSE(notMade);
    EXPECT_NE(notMade.Why().find("cannot be made"), std::string::npos) << notMade.Why();
}

TEST_F(WorkingFolderTest, TheDownloadFolderIsTheDesktopsOwn)
{
    EXPECT_EQ(FindDownloadFolder(), home.Path() + "/Downloads") << "no user-dirs.dirs";
    std::filesystem::create_directories(home.File(".config"));
    test::WriteFile(home.File(".config/user-dirs.dirs"), "# written by xdg-user-dirs-update\n"
                                                         "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                         "XDG_DOWNLOAD_DIR=\"$HOME/T\xc3\xa9l\xc3\xa9"
                                                         "chargements\"\n");
    EXPECT_EQ(FindDownloadFolder(), home.Path() + "/T\xc3\xa9l\xc3\xa9"
                                                  "chargements");
    test::TempDir config;
    const ScopedVariable elsewhere("XDG_CONFIG_HOME", config.Path().c_str());
    test::WriteFile(config.File("user-dirs.dirs"), "XDG_DOWNLOAD_DIR=\"/srv/fetched\"\n");
    EXPECT_EQ(FindDownloadFolder(), "/srv/fetched");
    // Forms the shell would read otherwise are not guessed at.
    test::WriteFile(config.File("user-dirs.dirs"), "XDG_DOWNLOAD_DIR=\"$(rm -rf ~)\"\nXDG_DOWNLOAD_DIR=relative\n");
    EXPECT_EQ(FindDownloadFolder(), home.Path() + "/Downloads");
}

TEST_F(WorkingFolderTest, AFirstStartWritesTheDownloadFolderUnlessOneIsNamed)
{
    const std::string folder = home.Path() + "/.local/share/velmora";
    const Result<bool> prepared = PrepareWorkingFolder(folder);
    ASSERT_TRUE(prepared) << prepared.Why();
    EXPECT_EQ(SeedLocalDirectory(folder + "/settings.dat"), home.Path() + "/Downloads");
    EXPECT_EQ(ReadLocalDirectory(folder), home.Path() + "/Downloads");
    EXPECT_EQ(DescribeWhereThingsLive(folder), "Settings: " + folder + "/settings.dat and clients.dat\nSearches: " +
                                                   folder + "/velmora.db\nDownloads: " + home.Path() + "/Downloads");
    test::WriteFile(folder + "/settings.dat", "[Settings]\nLocalDir=./\n");
    EXPECT_EQ(SeedLocalDirectory(folder + "/settings.dat"), "");
    EXPECT_EQ(ReadLocalDirectory(folder), folder) << "the user's choice stays";
}

TEST_F(WorkingFolderTest, AFolderThatTakesNoNewFileIsToldAtStart)
{
    // Seeded or not, a folder where nothing can be written would lose every
    // save without a word.
    for (const bool seeded : {false, true}) {
        test::TempDir folder;
        if (seeded)
            test::WriteFile(folder.File("settings.dat"), "[Settings]\n");
        const test::UnchangeableFolder readOnly(folder.Path());
        if (!readOnly.Ok())
            GTEST_SKIP() << "chattr +i is not available on this file system";
        const Result<bool> refused = PrepareWorkingFolder(folder.Path());
        EXPECT_FALSE(refused);
        EXPECT_EQ(refused.Why().rfind("Velmora cannot write in the folder " + folder.Path() + " (", 0), 0u)
            << refused.Why();
    }
}

} // namespace
} // namespace velmora
