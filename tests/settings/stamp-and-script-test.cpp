#include <gtest/gtest.h>

#include "settings/date-stamp.h"
#include "settings/profile-store.h"
#include "settings/script-encoding.h"
#include "test-support.h"

namespace velmora {
namespace {

TEST(DateStampTest, FieldsArePaddedWithBlanksAndReadBackAsTheStoreReadsThem)
{
    EXPECT_EQ(FormatDateStamp(6, 12, 2026), " 6122026");
    EXPECT_EQ(FormatDateStamp(30, 4, 2000), "30 42000");
    EXPECT_EQ(FormatDateStamp(1, 1, 2001), " 1 12001");
    EXPECT_EQ(ParseProfileInt(FormatDateStamp(6, 12, 2026)), 6122026);
    EXPECT_EQ(ParseProfileInt(FormatDateStamp(30, 4, 2000)), 30) << "a month below 10 reads as the day alone";
    EXPECT_EQ(MakeDateStamp().size(), 8u);
}

TEST(ScriptEncodingTest, LineBreaksTravelAsBackslashN)
{
    EXPECT_EQ(EncodeScript("open host\r\nget file\nbye"), "open host\\nget file\\nbye");
    EXPECT_EQ(EncodeScript("joined\rtext"), "joinedtext") << "a lone CR is dropped";
    EXPECT_EQ(DecodeScript("open host\\nget file"), "open host\r\nget file");
    EXPECT_EQ(DecodeScript("C:\\new\\n"), "C:\r\new\r\n") << "the encoding is not escaped";
    EXPECT_EQ(DecodeScript("trailing\\"), "trailing\\");
}

TEST(ScriptEncodingTest, AnEncodedScriptIsOneProfileValue)
{
    test::TempDir dir;
    const std::string file = dir.File("clients.dat");
    ASSERT_TRUE(ProfileEdit::WriteString(file, "lftp", "Script", EncodeScript("open %a\nget %f\n")));
    EXPECT_EQ(DecodeScript(ProfileSnapshot(file).GetString("lftp", "Script", "", 5120)), "open %a\r\nget %f\r\n");
}

} // namespace
} // namespace velmora
