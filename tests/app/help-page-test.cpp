// The help page F1 opens: where it is found and what it must explain.

#include "app/help-page.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test-support.h"

namespace velmora {
namespace {

TEST(HelpPageTest, APageInTheWorkingFolderComesFirst)
{
    test::TempDir dir;
    const std::string shipped = FindHelpPage(dir.Path());
    ASSERT_FALSE(shipped.empty()) << "the page beside the build";
    test::WriteFile(dir.File(kHelpPageName), "<p>mine</p>");
    EXPECT_EQ(FindHelpPage(dir.Path()), std::filesystem::canonical(dir.File(kHelpPageName)).string());
}

TEST(HelpPageTest, TheShippedPageShowsEveryMarkAndExplainsTheKeysAndTheLocalDirectory)
{
    test::TempDir dir;
    const std::string page = FindHelpPage(dir.Path());
    const std::string text = test::ReadFile(page);
    const std::filesystem::path folder = std::filesystem::path(page).parent_path();
    for (const char* icon : {"globe", "running", "tick", "nothing", "failure", "untested"}) {
        const std::string image = std::string("icons/") + icon + ".svg";
        EXPECT_NE(text.find("<img src=\"" + image + "\""), std::string::npos) << icon << " has no place in the legend";
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / image)) << image << " is not beside the page";
    }
    for (const char* key : {"Esc", "F5", "Ctrl+Q", "Ctrl+,", "F1", "Enter on a file"})
        EXPECT_NE(text.find(key), std::string::npos) << key;
    EXPECT_NE(text.find("<h3>The Local Directory</h3>"), std::string::npos);
}

} // namespace
} // namespace velmora
