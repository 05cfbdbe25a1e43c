#include "core/Cp932Codec.h"

#include <gtest/gtest.h>

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

} // namespace
