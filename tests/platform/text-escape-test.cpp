// Text from the web made safe to show in a window or a terminal.

#include "platform/text-escape.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(TextEscapeTest, ControlsAndBrokenBytesAreWrittenOutAndTextStays)
{
    EXPECT_EQ(EscapeControls("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5"), "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5")
        << "valid UTF-8 is text";
    EXPECT_EQ(EscapeControls("\x1b[2Jred\x07\x7f"), "\\x1b[2Jred\\x07\\x7f");
    EXPECT_EQ(EscapeControls("a\xc2\x9b"
                             "b"),
              "a\\u009bb")
        << "a C1 control written as UTF-8";
    EXPECT_EQ(EscapeControls("a\x9b\xff"
                             "b"),
              "a\\x9b\\xffb")
        << "bytes that are not UTF-8";
    EXPECT_EQ(EscapeControls("\xe2\x82"), "\\xe2\\x82") << "a sequence cut at the end";
    EXPECT_EQ(EscapeControls("\xed\xa0\x80"), "\\xed\\xa0\\x80") << "a surrogate is not text";
    EXPECT_EQ(EscapeControls("\xc0\xaf"), "\\xc0\\xaf") << "an overlong slash";
    EXPECT_EQ(EscapeControls(std::string("a\0b", 3)), "a\\x00b");
}

TEST(TextEscapeTest, NamesCannotBeShownBackwards)
{
    // "song\u202Egpj.exe" would show as "songexe.jpg".
    EXPECT_EQ(EscapeControls("song\xe2\x80\xae"
                             "gpj.exe"),
              "song\\u202egpj.exe");
    EXPECT_EQ(EscapeControls("\xe2\x81\xa6x\xe2\x81\xa9"), "\\u2066x\\u2069");
    EXPECT_EQ(EscapeControls("\xe2\x80\x94 \xe2\x80\xa9"), "\xe2\x80\x94 \xe2\x80\xa9") << "a dash is text";
}

TEST(TextEscapeTest, LineBreaksStayOnlyWhenAsked)
{
    EXPECT_EQ(EscapeControls("220 Hi\r\n331\tok\n"), "220 Hi\\x0d\\x0a331\\x09ok\\x0a");
    EXPECT_EQ(EscapeControls("220 Hi\r\n331\tok\x1b\n", true), "220 Hi\r\n331\tok\\x1b\n");
}

TEST(ReadableNameTest, NamesThatAreNoUtf8AreReadAsLatin1)
{
    EXPECT_EQ(ReadableName("caf\xc3\xa9.txt"), "caf\xc3\xa9.txt") << "UTF-8 stays as it is";
    EXPECT_EQ(ReadableName("caf\xe9.txt"), "caf\xc3\xa9.txt") << "Latin-1";
    EXPECT_EQ(ReadableName("\xcf\xf0\xe8"), "\xc3\x8f\xc3\xb0\xc3\xa8")
        << "CP1251 shows as Latin-1 letters, not as nothing";
    EXPECT_EQ(ReadableName(""), "");
    EXPECT_EQ(ReadableName("plain"), "plain");
}

} // namespace
} // namespace velmora
