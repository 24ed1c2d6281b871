#include "search/engine-list.h"

#include <gtest/gtest.h>

#include "settings/profile-store.h"
#include "test-support.h"

namespace velmora {
namespace {

using test::ReadFile;
using test::WriteFile;

class EngineListTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string file = dir.File("settings.dat");
    EngineList engines{file};

    std::vector<std::pair<std::string, bool>> Listed()
    {
        std::vector<std::pair<std::string, bool>> listed;
        for (std::size_t i = 0; i < engines.GetCount(); ++i)
            listed.emplace_back(engines.GetEngineItem(i)->name, engines.GetEngineItem(i)->checked);
        return listed;
    }
};

TEST_F(EngineListTest, ListsSearchEnginesInFileOrderWithTheirTicks)
{
    WriteFile(file, "[Zeta]\nQuery=http://z/?q=%s\n"
                    "[settings]\nMaxthreads=3\n"
                    "[NoType]\n"
                    "[Charts]\nType=C\n"
                    "[Lower]\nType=s\n"
                    "[Long]\nType=Search\nSearch=Yes\n"
                    "[Off]\nSearch=N\n"
                    "[LowerY]\nSearch=y\n");
    engines.LoadEngines();
    EXPECT_EQ(Listed(), (std::vector<std::pair<std::string, bool>>{
                            {"Zeta", true}, {"NoType", true}, {"Long", true}, {"Off", false}, {"LowerY", false}}));
    EXPECT_EQ(engines.GetEngineItem(5), nullptr);
}

TEST_F(EngineListTest, MissingSettingsFileGivesNoEngines)
{
    engines.LoadEngines();
    EXPECT_EQ(engines.GetCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(file)) << "an empty list writes nothing";
}

TEST_F(EngineListTest, RefillingSavesTicksButReloadingDoesNot)
{
    WriteFile(file, "[A]\nSearch=Y\n[B]\nSearch=Y\n");
    engines.LoadEngines();
    engines.SetCheck(1, false);
    engines.LoadEngines();
    EXPECT_EQ(ProfileSnapshot(file).GetString("B", "Search", "", 2), "N");
    EXPECT_EQ(Listed(), (std::vector<std::pair<std::string, bool>>{{"A", true}, {"B", false}}));

    engines.SetCheck(0, false);
    const std::string before = ReadFile(file);
    engines.ReloadEngines();
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_TRUE(engines.GetEngineItem(0)->checked);
}

TEST_F(EngineListTest, ReloadDoesNotWriteBackADeletedEngine)
{
    WriteFile(file, "[A]\n[B]\n");
    engines.LoadEngines();
    ASSERT_TRUE(ProfileEdit::WriteSection(file, "B", std::nullopt));
    engines.ReloadEngines();
    EXPECT_EQ(Listed(), (std::vector<std::pair<std::string, bool>>{{"A", true}}));
    EXPECT_EQ(ReadFile(file), "[A]\n");
    engines.SaveEngineChecks();
    EXPECT_EQ(ReadFile(file), "[A]\nSearch=Y\n");
}

TEST_F(EngineListTest, HandlesOfRemovedItemsFindNothing)
{
    WriteFile(file, "[A]\n[B]\n");
    engines.LoadEngines();
    const std::uint64_t oldB = engines.GetEngineItem(1)->handle;
    ASSERT_EQ(engines.FindItem(oldB), engines.GetEngineItem(1));
    engines.ReloadEngines();
    EXPECT_EQ(engines.FindItem(oldB), nullptr) << "a refill gives every item a new handle";
    EXPECT_NE(engines.GetEngineItem(1)->handle, oldB);
}

TEST_F(EngineListTest, QueryUrlUsesAtMost1023CharactersOfTheTemplate)
{
    const std::string longTemplate = "http://e/?q=%s&pad=" + std::string(1100, 'p');
    WriteFile(file, "[Long]\nQuery=" + longTemplate + "\n[Twice]\nQuery=http://e/%s?q=%s\n[Empty]\n");
    engines.LoadEngines();
    const std::string url = engines.BuildQueryUrl(*engines.GetEngineItem(0), "blue+moon");
    EXPECT_EQ(url, "http://e/?q=blue+moon&pad=" + std::string(1023 - 19, 'p'));
    EXPECT_EQ(engines.BuildQueryUrl(*engines.GetEngineItem(1), "x"), "http://e/x?q=x");
    EXPECT_EQ(engines.BuildQueryUrl(*engines.GetEngineItem(2), "x"), "");
}

TEST_F(EngineListTest, EnginesPastTheNameBufferAreNotSeen)
{
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "[Engine number " + std::to_string(i) + "]\n";
    WriteFile(file, text);
    engines.LoadEngines();
    EXPECT_GT(engines.GetCount(), 400u);
    EXPECT_LT(engines.GetCount(), 1000u);
}

} // namespace
} // namespace velmora
