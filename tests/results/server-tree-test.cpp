#include "results/server-tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

TEST(ServerTreeTest, AServerIsFoundByItsHandleUntilTheTreeIsReset)
{
    ServerTree tree;
    tree.Reset();
    const ResultEntry entry;
    std::vector<std::uint64_t> handles;
    // Servers of both groups, as they come in a search: interleaved.
    for (int n = 0; n < 6; ++n)
        handles.push_back(tree.AddServer(n % 3 == 0 ? kGroupHttp : kGroupFtp, entry, "s" + std::to_string(n)).handle);
    for (int n = 0; n < 6; ++n) {
        std::size_t group = 9;
        std::size_t index = 9;
        ASSERT_TRUE(tree.Find(handles[n], group, index)) << n;
        EXPECT_EQ(tree.GetGroups()[group].servers[index].text, "s" + std::to_string(n));
    }
    std::size_t group = 0;
    std::size_t index = 0;
    EXPECT_FALSE(tree.Find(0, group, index));
    EXPECT_FALSE(tree.Find(handles.back() + 1, group, index));
    tree.Reset();
    EXPECT_FALSE(tree.Find(handles.front(), group, index)) << "a server of the results before";
    const std::uint64_t again = tree.AddServer(kGroupHttp, entry, "t").handle;
    EXPECT_GT(again, handles.back()) << "handles are not given twice";
    ASSERT_TRUE(tree.Find(again, group, index));
    EXPECT_EQ(group, kGroupHttp);
    EXPECT_EQ(index, 0u);
}

} // namespace
} // namespace velmora
