#include "core/Cp932Codec.h"

#include <gtest/gtest.h>

#include <iconv.h>

namespace {

TEST(Cp932Codec, ConvertsAsWindowsDoesBothWays)
{
    const std::string cp932 = "\x87\x40\x87\x8A\x81\x60\xFB\xFC\xFA\xB1\x83\x5C\x95\x5C\xB1\\~";
    EXPECT_EQ(Cp932Codec::ToUtf8(cp932), "①㈱～髙﨑ソ表ｱ\\~");
    EXPECT_EQ(Cp932Codec::FromUtf8("①㈱～髙﨑ソ表ｱ\\~"), cp932);
    EXPECT_EQ(Cp932Codec::FromUtf8("〜"), "\x81\x60") << "WAVE DASH goes to the full-width tilde";
    // Representable, but a path with it would name another folder afterwards.
    EXPECT_TRUE(Cp932Codec::IsRepresentable("/srv/a〜b"));
    EXPECT_FALSE(Cp932Codec::RoundTrips("/srv/a〜b"));
    EXPECT_TRUE(Cp932Codec::RoundTrips("/srv/掲示板～①ソ/"));
    EXPECT_FALSE(Cp932Codec::RoundTrips("/srv/é"));
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

namespace {

// What glibc's iconv makes of one character on its own, or "?" when it refuses.
std::string ByIconv(iconv_t cd, const std::string& input)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return "?";
    return std::string(buffer, sizeof buffer - outLeft);
}

std::string Utf8Of(uint32_t codePoint)
{
    std::string s;
    if (codePoint < 0x80) {
        s += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        s += static_cast<char>(0xC0 | (codePoint >> 6));
        s += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (codePoint >> 12));
        s += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return s;
}

TEST(Cp932Codec, EveryCharacterMapsExactlyAsIconvDoes)
{
    iconv_t toCp932 = iconv_open("CP932", "UTF-8");
    iconv_t toUtf8 = iconv_open("UTF-8", "CP932");
    ASSERT_NE(toCp932, reinterpret_cast<iconv_t>(-1));
    int mismatches = 0;
    for (uint32_t codePoint = 1; codePoint < 0x10000; ++codePoint) {
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
            continue;
        const std::string utf8 = Utf8Of(codePoint);
        if (Cp932Codec::FromUtf8(utf8) != ByIconv(toCp932, utf8) && ++mismatches < 5)
            ADD_FAILURE() << "U+" << std::hex << codePoint;
    }
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        if (Cp932Codec::CharLength(static_cast<unsigned char>(lead)) == 1) {
            const std::string single(1, static_cast<char>(lead));
            if (Cp932Codec::ToUtf8(single) != ByIconv(toUtf8, single) && ++mismatches < 5)
                ADD_FAILURE() << "byte " << std::hex << lead;
            continue;
        }
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            if (Cp932Codec::ToUtf8(pair) != ByIconv(toUtf8, pair) && ++mismatches < 5)
                ADD_FAILURE() << "pair " << std::hex << lead << ' ' << trail;
        }
    }
    EXPECT_EQ(mismatches, 0);
    iconv_close(toCp932);
    iconv_close(toUtf8);
}

TEST(Cp932Codec, MalformedUtf8IsReplacedOneSequenceAtATime)
{
    EXPECT_EQ(Cp932Codec::FromUtf8("\xC0\xAF"), "??") << "overlong slash";
    EXPECT_EQ(Cp932Codec::FromUtf8("\xE0\x80\xAF"), "?") << "overlong, three bytes";
    EXPECT_EQ(Cp932Codec::FromUtf8("\xED\xA0\x80x"), "?x") << "surrogate";
    EXPECT_EQ(Cp932Codec::FromUtf8("\xF4\x90\x80\x80"), "?") << "beyond U+10FFFF";
    EXPECT_EQ(Cp932Codec::FromUtf8("\xF0\x9F\x98\x80\xE3\x81\x82"), "?\x82\xA0") << "emoji, then あ";
}

} // namespace
