#include "results/result-view.h"

#include <gtest/gtest.h>

#include "results/result-list.h"

namespace velmora {
namespace {

std::vector<std::string> Texts(const std::vector<ViewItem>& items)
{
    std::vector<std::string> texts;
    for (const ViewItem& item : items)
        texts.push_back(item.text);
    return texts;
}

class ResultViewTest : public ::testing::Test {
protected:
    ResultList list;

    void Add(const std::string& url) { ASSERT_TRUE(list.Add(MakeResultEntry(url, 1))); }
};

TEST_F(ResultViewTest, FileAndDirectoryParts)
{
    EXPECT_EQ(GetFilePart("/music/a.mp3"), "a.mp3");
    EXPECT_EQ(GetFilePart("noslash.mp3"), "noslash.mp3");
    EXPECT_EQ(GetFilePart("/dir/"), "");
    EXPECT_EQ(GetDirPart("/music/a.mp3"), "/music/");
    EXPECT_EQ(GetDirPart("noslash.mp3"), "/");
}

TEST_F(ResultViewTest, ListAndHalfDetailedShowTheServersRecordsNewestFirst)
{
    Add("http://h.org/a/one.mp3");
    Add("ftp://other.net/x.zip");
    Add("ftp://H.ORG/b/two.zip");
    EXPECT_EQ(Texts(BuildResultsView(list, "h.org", kViewList)), (std::vector<std::string>{"two.zip", "one.mp3"}));
    const auto half = BuildResultsView(list, "h.org", kViewHalfDetailed);
    EXPECT_EQ(Texts(half), (std::vector<std::string>{"/b/two.zip", "/a/one.mp3"}));
    EXPECT_EQ(half[0].record->service, 1u) << "records of both services are listed together";
    EXPECT_TRUE(BuildResultsView(list, "h.org", 7).empty());
    EXPECT_TRUE(BuildResultsView(list, "nobody.org", kViewList).empty());
}

TEST_F(ResultViewTest, DetailedDirectoriesNestAndShareItemsWithoutRegardToCase)
{
    Add("http://h.org/a/x.mp3");
    Add("http://h.org/A/y.mp3");
    Add("http://h.org/a/b/z.mp3");
    Add("http://h.org/top.mp3");
    const auto view = BuildResultsView(list, "h.org", kViewDetailed);
    ASSERT_EQ(Texts(view), (std::vector<std::string>{"/", "/a/"}));
    EXPECT_EQ(Texts(view[0].children), (std::vector<std::string>{"top.mp3"}));
    EXPECT_EQ(Texts(view[1].children), (std::vector<std::string>{"b/", "y.mp3", "x.mp3"}))
        << "/a/b/ sits under /a/, before the files that came after it";
    EXPECT_EQ(view[1].record->path, "/a/b/z.mp3") << "the record that created the directory item";
    EXPECT_EQ(Texts(view[1].children[0].children), (std::vector<std::string>{"z.mp3"}));
}

TEST_F(ResultViewTest, ManyFilesOfOneServerShareTheirDirectories)
{
    for (int i = 0; i < 20000; ++i)
        Add("http://big.org/d" + std::to_string(i % 100) + "/f" + std::to_string(i) + ".mp3");
    Add("http://big.org/d1/deep/er/f.mp3");
    const auto view = BuildResultsView(list, "big.org", kViewDetailed);
    ASSERT_EQ(view.size(), 100u);
    EXPECT_EQ(view[0].text, "/d1/");
    EXPECT_EQ(view[0].children.size(), 201u);
    EXPECT_EQ(view[0].children[0].text, "deep/");
    EXPECT_EQ(view[0].children[0].children[0].children[0].text, "f.mp3");
    EXPECT_EQ(view[1].text, "/d99/");
}

} // namespace
} // namespace velmora
