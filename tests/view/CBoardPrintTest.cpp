#include "view/CBoardPrint.h"

#include "core/Cp932Codec.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

std::string Sj(const std::string& utf8) { return Cp932Codec::FromUtf8(utf8); }

TEST(WrapText, CutsBytesBetweenCharactersAndAlwaysEnds)
{
    const std::string kai = Sj("会"); // its second byte lies in the lead-byte range
    const struct { std::string text; int n; Lines lines; } cases[] = {
        {kai + kai + kai, 4, {kai + kai, kai}},
        {"\n\nab\n\n\ncd\n", 4, {"ab", "cd"}},
        {Sj("会a議"), 1, {kai, "a", Sj("議")}},
        {"ab", 0, {"a", "b"}},
    };
    for (const auto& c : cases) {
        Lines lines{"stale"};
        CBoardPrint::WrapText(c.text, c.n, lines);
        EXPECT_EQ(lines, c.lines) << Cp932Codec::ToUtf8(c.text) << " n=" << c.n;
    }
}

} // namespace
