// The one error-return type.

#include "platform/result.h"

#include <memory>

#include <gtest/gtest.h>

namespace velmora {
namespace {

Result<std::unique_ptr<int>> Make(bool ok)
{
    if (!ok)
        return Failure{"The database is locked.", 5};
    return std::make_unique<int>(7);
}

Result<void> Check(bool ok)
{
    if (!ok)
        return Failure{"Nothing could be written.", 28};
    return {};
}

TEST(ResultTest, AValueOrAFailureWithItsSentenceAndCode)
{
    Result<std::unique_ptr<int>> made = Make(true);
    ASSERT_TRUE(made);
    EXPECT_EQ(**made, 7);
    EXPECT_EQ(made.Why(), "");
    std::unique_ptr<int> taken = std::move(*made); // move-only values leave it
    EXPECT_EQ(*taken, 7);

    const Result<std::unique_ptr<int>> failed = Make(false);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.Error().code, 5);
    EXPECT_EQ(failed.Why(), "The database is locked.");

    EXPECT_TRUE(Check(true));
    const Result<void> refused = Check(false);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.Error().code, 28);
    EXPECT_EQ(refused.Why(), "Nothing could be written.");
}

} // namespace
} // namespace velmora
