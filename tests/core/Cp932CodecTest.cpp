#include "core/Cp932Codec.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <tuple>

namespace {

TEST(Cp932Codec, ConvertsAsWindowsDoesAndWhatItCannotBecomesOneQuestionMark)
{
    // ① ㈱ ～ 髙 﨑 ソ 表 ｱ: NEC and IBM extensions, trail bytes that are "\", half-width kana.
    const std::string cp932 = "\x87\x40\x87\x8A\x81\x60\xFB\xFC\xFA\xB1\x83\x5C\x95\x5C\xB1\\~";
    const std::string nul("a\0b", 3);
    using Convert = std::string (*)(std::string_view);
    const std::tuple<Convert, std::string, std::string> cases[] = {
        {Cp932Codec::ToUtf8, cp932, "①㈱～髙﨑ソ表ｱ\\~"},
        {Cp932Codec::FromUtf8, "①㈱～髙﨑ソ表ｱ\\~", cp932},
        {Cp932Codec::ToUtf8, nul, nul},
        {Cp932Codec::FromUtf8, "a😀b€c", "a?b?c"},
        {Cp932Codec::FromUtf8, "a\xFF\xC3z", "a??z"},
        {Cp932Codec::FromUtf8, "\xC0\xAF", "??"}, {Cp932Codec::FromUtf8, "\xE0\x80\xAF", "?"}, // overlong slash
        {Cp932Codec::FromUtf8, "\xED\xA0\x80x", "?x"}, {Cp932Codec::FromUtf8, "\xF4\x90\x80\x80", "?"}, // surrogate, too large
        {Cp932Codec::FromUtf8, "\xF0\x9F\x98\x80\xE3\x81\x82", "?\x82\xA0"},
        {Cp932Codec::ToUtf8, "a\x85\x40z", "a?z"}, {Cp932Codec::ToUtf8, "a\x85 z", "a? z"}, // an undefined pair is one
        // Cut at the end of the text, before bytes that would complete them:
        {Cp932Codec::ToUtf8, "ab\x88", "ab?"}, {Cp932Codec::FromUtf8, "\xE6\x97", "?"},
    };
    for (const auto& [convert, input, expected] : cases)
        EXPECT_EQ(convert(input), expected) << ::testing::PrintToString(input);

    // Representable, but a path with it would name another folder afterwards.
    EXPECT_TRUE(Cp932Codec::IsRepresentable("/srv/a〜b") && !Cp932Codec::RoundTrips("/srv/a〜b"));
    EXPECT_TRUE(Cp932Codec::RoundTrips("/srv/掲示板～①ソ/") && !Cp932Codec::RoundTrips("/srv/é"));
    EXPECT_FALSE(Cp932Codec::IsRepresentable("😀"));

    std::string longText; // ｱ grows from 1 byte to 3, 亜 from 2 to 3: the buffer must grow
    for (int i = 0; i < 20000; ++i)
        longText += "\xB1\x88\x9F";
    EXPECT_EQ(Cp932Codec::FromUtf8(Cp932Codec::ToUtf8(longText)), longText);
}

// What glibc's iconv makes of one character on its own, or "?" when it refuses.
std::string ByIconv(iconv_t cd, std::string input)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    char* in = input.data();
    char* out = buffer;
    size_t inLeft = input.size();
    size_t outLeft = sizeof buffer;
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return "?";
    return std::string(buffer, sizeof buffer - outLeft);
}

TEST(Cp932Codec, EveryCharacterMapsExactlyAsIconvDoes)
{
    iconv_t toCp932 = iconv_open("CP932", "UTF-8");
    iconv_t toUtf8 = iconv_open("UTF-8", "CP932");
    iconv_t fromUtf32 = iconv_open("UTF-8", "UTF-32BE");
    for (iconv_t cd : {toCp932, toUtf8, fromUtf32})
        ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    int mismatches = 0;
    const auto expectSame = [&](const std::string& actual, const std::string& expected, const std::string& input) {
        if (actual != expected && ++mismatches < 5)
            ADD_FAILURE() << ::testing::PrintToString(input);
    };
    for (uint32_t codePoint = 1; codePoint < 0x10000; ++codePoint) {
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
            continue;
        const std::string utf8 = ByIconv(
            fromUtf32, {'\0', '\0', static_cast<char>(codePoint >> 8), static_cast<char>(codePoint & 0xFF)});
        expectSame(Cp932Codec::FromUtf8(utf8), ByIconv(toCp932, utf8), utf8);
    }
    const auto expectSameToUtf8 = [&](const std::string& cp932) {
        expectSame(Cp932Codec::ToUtf8(cp932), ByIconv(toUtf8, cp932), cp932);
    };
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        const std::string first(1, static_cast<char>(lead));
        if (Cp932Codec::CharLength(static_cast<unsigned char>(lead)) == 1)
            expectSameToUtf8(first);
        else
            for (int trail = 0x40; trail <= 0xFC; ++trail)
                if (trail != 0x7F)
                    expectSameToUtf8(first + static_cast<char>(trail));
    }
    EXPECT_EQ(mismatches, 0);
    for (iconv_t cd : {toCp932, toUtf8, fromUtf32})
        iconv_close(cd);
}

} // namespace
