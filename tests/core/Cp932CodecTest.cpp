#include "core/Cp932Codec.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp932Codec, ConvertsAsWindowsDoesBothWays)
{
    const std::string cp932 = "\x87\x40\x87\x8A\x81\x60\xFB\xFC\xFA\xB1\x83\x5C\x95\x5C\xB1\\~";
    EXPECT_EQ(Cp932Codec::ToUtf8(cp932), "①㈱～髙﨑ソ表ｱ\\~");
    EXPECT_EQ(Cp932Codec::FromUtf8("①㈱～髙﨑ソ表ｱ\\~"), cp932);
    EXPECT_EQ(Cp932Codec::FromUtf8("〜"), "\x81\x60") << "WAVE DASH goes to the full-width tilde";
    EXPECT_EQ(Cp932Codec::ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp932Codec, WritesQuestionMarksAndNeverStops)
{
    EXPECT_EQ(Cp932Codec::FromUtf8("a😀b€c"), "a?b?c");
    EXPECT_FALSE(Cp932Codec::IsRepresentable("😀"));
    EXPECT_TRUE(Cp932Codec::IsRepresentable("日本語 abc"));
    EXPECT_EQ(Cp932Codec::FromUtf8("a\xFF\xC3z"), "a??z") << "invalid UTF-8";
    EXPECT_EQ(Cp932Codec::FromUtf8("\xE6\x97"), "?") << "cut at the end";
    EXPECT_EQ(Cp932Codec::ToUtf8("a\x85\x40z"), "a?z") << "an undefined pair is one character";
    EXPECT_EQ(Cp932Codec::ToUtf8("a\x85 z"), "a? z");
    EXPECT_EQ(Cp932Codec::ToUtf8("ab\x88"), "ab?") << "lead byte without trail byte";
}

TEST(Cp932Codec, LongTextsGrowTheBufferWithoutOverrun)
{
    std::string cp932;
    for (int i = 0; i < 20000; ++i)
        cp932 += "\xB1\x88\x9F"; // half-width kana (1 byte, 3 in UTF-8) and 亜
    const std::string utf8 = Cp932Codec::ToUtf8(cp932);
    EXPECT_EQ(utf8.size(), 20000u * 6);
    EXPECT_EQ(Cp932Codec::FromUtf8(utf8), cp932);
}

} // namespace
