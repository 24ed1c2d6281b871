// Where the window was left, kept in [Settings] among the engines.

#include "settings/window-placement.h"

#include <gtest/gtest.h>

#include "settings/profile-store.h"
#include "test-support.h"

namespace velmora {
namespace {

TEST(WindowPlacementTest, ARoundTripKeepsEveryEngineAndAddsNoSection)
{
    test::TempDir dir;
    const std::string path = dir.File("settings.dat");
    const std::string engines = "[Alpha]\nQuery=http://a/?q=%s\nSearch=N\n[Beta]\nQuery=http://b/?q=%s\n";
    test::WriteFile(path, "[Settings]\nAutoTest=0\n" + engines);
    WindowPlacement placement;
    placement.geometry = "AdnQywADAAAAAAAA";
    placement.state = "AAAA/wAAAAD9AAAAAQ==";
    placement.paneWidths = {150, 220, 630};
    ASSERT_TRUE(placement.Save(path));

    const WindowPlacement loaded = WindowPlacement::Load(path);
    EXPECT_EQ(loaded.geometry, placement.geometry);
    EXPECT_EQ(loaded.state, placement.state);
    EXPECT_EQ(loaded.paneWidths, placement.paneWidths);
    const std::string saved = test::ReadFile(path);
    EXPECT_NE(saved.find(engines), std::string::npos) << saved;
    EXPECT_EQ(SplitNulList(ProfileSnapshot(path).GetSectionNames(8000)),
              (std::vector<std::string>{"Settings", "Alpha", "Beta"}));
    EXPECT_EQ(ProfileSnapshot(path).GetString("Settings", "AutoTest", "", 8), "0");
}

TEST(WindowPlacementTest, PaneWidthsAreThreePositiveNumbersOrNone)
{
    EXPECT_EQ(ParsePaneWidths("150,220,630"), (std::vector<int>{150, 220, 630}));
    for (const char* bad : {"", "150,220", "150,220,630,1", "0,220,630", "-1,2,3", "a,b,c", "150,,630", "9999999,1,1"})
        EXPECT_TRUE(ParsePaneWidths(bad).empty()) << bad;
    EXPECT_EQ(FormatPaneWidths({150, 220, 630}), "150,220,630");

    test::TempDir dir;
    test::WriteFile(dir.File("settings.dat"), "[Settings]\nPaneWidths=1e9,2,3\n");
    EXPECT_TRUE(WindowPlacement::Load(dir.File("settings.dat")).paneWidths.empty()) << "the defaults, then";
}

} // namespace
} // namespace velmora
