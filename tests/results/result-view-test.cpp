#include "results/result-view.h"

#include <gtest/gtest.h>

#include "results/mirror-index.h"
#include "results/result-list.h"

namespace velmora {
namespace {

class ResultViewTest : public ::testing::Test {
protected:
    ResultList list;
    ResultsView view;

    void Add(const std::string& url, std::optional<std::uint64_t> size = {}, std::optional<std::int64_t> when = {})
    {
        auto entry = MakeResultEntry(url, 1);
        ASSERT_TRUE(entry);
        entry->size = size;
        entry->modified = when;
        ASSERT_TRUE(list.Add(*entry));
    }

    // The texts under a node: a directory's own text, a file's name (or
    // its path in Half Detailed).
    std::vector<std::string> Texts(std::uint32_t node = ResultsView::kRoot)
    {
        std::vector<std::string> texts;
        for (std::size_t row = 0; row < view.GetRowCount(node); ++row) {
            const std::uint32_t child = view.GetChild(node, row);
            if (child & ResultsView::kDirectoryBit)
                texts.push_back(view.GetText(child & ~ResultsView::kDirectoryBit));
            else
                texts.push_back(view.GetOptions().style == kViewHalfDetailed ? list.GetPath(child)
                                                                             : std::string(list.GetName(child)));
        }
        return texts;
    }
    std::uint32_t Directory(std::uint32_t node, std::size_t row)
    {
        const std::uint32_t child = view.GetChild(node, row);
        EXPECT_TRUE(child & ResultsView::kDirectoryBit);
        return child & ~ResultsView::kDirectoryBit;
    }
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
    Add("http://H.ORG/b/two.zip");
    Add("ftp://h.org/c/three.zip");
    view.Build(list, "h.org", {kViewList});
    EXPECT_EQ(Texts(), (std::vector<std::string>{"two.zip", "one.mp3"}));
    view.Build(list, "h.org", {kViewHalfDetailed});
    EXPECT_EQ(Texts(), (std::vector<std::string>{"/b/two.zip", "/a/one.mp3"}));
    view.Build(list, "ftp://h.org", {kViewList});
    EXPECT_EQ(Texts(), (std::vector<std::string>{"three.zip"})) << "the host's FTP server is a server of its own";
    view.Build(list, "h.org", {7});
    EXPECT_EQ(view.GetRowCount(ResultsView::kRoot), 0u);
    view.Build(list, "nobody.org", {kViewList});
    EXPECT_EQ(view.GetRowCount(ResultsView::kRoot), 0u);
}

TEST_F(ResultViewTest, DetailedDirectoriesNestAndShareItemsWithoutRegardToCase)
{
    Add("http://h.org/a/x.mp3");
    Add("http://h.org/A/y.mp3");
    Add("http://h.org/a/b/z.mp3");
    Add("http://h.org/top.mp3");
    view.Build(list, "h.org", {kViewDetailed});
    ASSERT_EQ(Texts(), (std::vector<std::string>{"/", "/a/"}));
    EXPECT_EQ(Texts(Directory(ResultsView::kRoot, 0)), (std::vector<std::string>{"top.mp3"}));
    const std::uint32_t a = Directory(ResultsView::kRoot, 1);
    EXPECT_EQ(Texts(a), (std::vector<std::string>{"b/", "y.mp3", "x.mp3"}))
        << "/a/b/ sits under /a/, before the files that came after it";
    EXPECT_EQ(Texts(Directory(a, 0)), (std::vector<std::string>{"z.mp3"}));
    EXPECT_EQ(view.GetParent(Directory(a, 0)), a);
    EXPECT_EQ(view.GetRow(a), 1u);
}

TEST_F(ResultViewTest, SortingPutsDirectoriesFirstAndFilesByTheColumnAsked)
{
    Add("http://h.org/d/b.mp3", 300, 30);
    Add("http://h.org/d/A.mp3", 100, 20);
    Add("http://h.org/d/c.mp3", 200, 10);
    Add("http://h.org/d/sub/z.mp3");
    Add("http://h.org/d/unknown.mp3");
    ViewOptions options{kViewDetailed, "", ViewSort::Name, false};
    view.Build(list, "h.org", options);
    const std::uint32_t d = Directory(ResultsView::kRoot, 0);
    EXPECT_EQ(Texts(d), (std::vector<std::string>{"sub/", "A.mp3", "b.mp3", "c.mp3", "unknown.mp3"}));
    options.sort = ViewSort::Size;
    options.descending = true;
    view.Build(list, "h.org", options);
    EXPECT_EQ(Texts(Directory(ResultsView::kRoot, 0)),
              (std::vector<std::string>{"sub/", "b.mp3", "c.mp3", "A.mp3", "unknown.mp3"}))
        << "directories stay first; an unknown size counts as none";
    EXPECT_EQ(view.GetRow(Directory(Directory(ResultsView::kRoot, 0), 0)), 0u);
    options = {kViewList, "", ViewSort::Modified, false};
    view.Build(list, "h.org", options);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"unknown.mp3", "z.mp3", "c.mp3", "A.mp3", "b.mp3"}));
}

TEST_F(ResultViewTest, TheNameFilterNarrowsFilesAndDropsEmptyDirectories)
{
    Add("http://h.org/moon/Blue Moon.mp3");
    Add("http://h.org/moon/red.mp3");
    Add("http://h.org/sky/red sky.mp3");
    view.Build(list, "h.org", {kViewDetailed, "MOON"});
    EXPECT_EQ(Texts(), (std::vector<std::string>{"/moon/"}));
    EXPECT_EQ(Texts(Directory(ResultsView::kRoot, 0)), (std::vector<std::string>{"Blue Moon.mp3"}));
    EXPECT_EQ(view.GetFileCount(), 1u);
    view.Build(list, "h.org", {kViewList, "red"});
    EXPECT_EQ(Texts(), (std::vector<std::string>{"red sky.mp3", "red.mp3"}));
}

TEST_F(ResultViewTest, ManyFilesOfOneServerShareTheirDirectories)
{
    for (int i = 0; i < 20000; ++i)
        Add("http://big.org/d" + std::to_string(i % 100) + "/f" + std::to_string(i) + ".mp3");
    Add("http://big.org/d1/deep/er/f.mp3");
    view.Build(list, "big.org", {kViewDetailed});
    ASSERT_EQ(view.GetRowCount(ResultsView::kRoot), 100u);
    const std::uint32_t d1 = Directory(ResultsView::kRoot, 0);
    EXPECT_EQ(view.GetText(d1), "/d1/");
    EXPECT_EQ(view.GetRowCount(d1), 201u);
    EXPECT_EQ(view.GetText(Directory(d1, 0)), "deep/");
    EXPECT_EQ(Texts(Directory(Directory(d1, 0), 0)), (std::vector<std::string>{"f.mp3"}));
    EXPECT_EQ(view.GetText(Directory(ResultsView::kRoot, 1)), "/d99/");
    EXPECT_EQ(view.GetFileCount(), 20001u);
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

ResultId AddSized(ResultList& list, const std::string& url, std::optional<std::uint64_t> size, bool rounded = false)
{
    ResultEntry entry = *MakeResultEntry(url, 0);
    entry.size = size;
    entry.sizeApproximate = rounded;
    const auto added = list.Add(entry);
    EXPECT_TRUE(added) << url;
    return added ? added->id : 0;
}

TEST(MirrorIndexTest, TheSameNameAndExactSizeOnOtherServersAreMirrorsOnceAServer)
{
    ResultList list;
    MirrorIndex mirrors;
    const ResultId first = AddSized(list, "http://a.org/pub/disk.img", 1000);
    const ResultId onFtp = AddSized(list, "ftp://a.org/mirror/disk.img", 1000);
    const ResultId onPort = AddSized(list, "http://A.ORG:8080/disk.img", 1000);
    const ResultId sameServer = AddSized(list, "http://a.org/old/disk.img", 1000);
    const ResultId otherSize = AddSized(list, "http://b.org/disk.img", 999);
    const ResultId rounded = AddSized(list, "http://c.org/disk.img", 1000, true);
    const ResultId unknown = AddSized(list, "http://d.org/disk.img", std::nullopt);
    const ResultId otherName = AddSized(list, "http://e.org/Disk.img", 1000);
    for (ResultId id = 0; id < list.GetCount(); ++id)
        mirrors.Note(list, id);

    EXPECT_EQ(mirrors.GetMirrors(list, first), (std::vector<ResultId>{onFtp, onPort}))
        << "another service or port is another server; the same server twice is no mirror";
    EXPECT_EQ(mirrors.GetMirrors(list, sameServer), (std::vector<ResultId>{onFtp, onPort}));
    EXPECT_EQ(mirrors.GetMirrors(list, onFtp), (std::vector<ResultId>{first, onPort}));
    EXPECT_TRUE(mirrors.GetMirrors(list, otherSize).empty());
    EXPECT_TRUE(mirrors.GetMirrors(list, rounded).empty()) << "a rounded size is no count of bytes";
    EXPECT_TRUE(mirrors.GetMirrors(list, unknown).empty());
    EXPECT_TRUE(mirrors.GetMirrors(list, otherName).empty()) << "names are compared as they are";

    // A check tells the unknown one's size, and another's size changed.
    list.SetSizeAndDate(unknown, 1000, std::nullopt);
    mirrors.Note(list, unknown);
    list.SetSizeAndDate(onPort, 5, std::nullopt);
    mirrors.Note(list, onPort);
    EXPECT_EQ(mirrors.GetMirrors(list, first), (std::vector<ResultId>{onFtp, unknown}));
    mirrors.Clear();
    EXPECT_TRUE(mirrors.GetMirrors(list, first).empty());
}

} // namespace
} // namespace velmora
