#include "core/Cp932Codec.h"
#include "ui/BoardFont.h"
#include "ui/UiEnvironment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

FontDescription Description(const char* faceUtf8, int32_t height, int32_t weight)
{
    FontDescription description;
    const std::string face = Cp932Codec::FromUtf8(faceUtf8);
    std::memcpy(description.faceName, face.c_str(), face.size() + 1);
    description.height = height;
    description.weight = weight;
    return description;
}

TEST(BoardFont, BecomesAPointSizeFontWithItsAttributes)
{
    FontDescription description = Description("ＭＳ 明朝", 105, 700);
    description.italic = 1;
    description.underline = 1;
    const QFont font = BoardFont::ToFont(description);
    EXPECT_EQ(font.family(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 10.5);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic() && font.underline() && !font.strikeOut());

    // A negative height means the same size; weight 0 lets the system choose.
    const QFont negative = BoardFont::ToFont(Description("IPAGothic", -90, 0));
    EXPECT_DOUBLE_EQ(negative.pointSizeF(), 9.0);
    EXPECT_EQ(negative.weight(), QFont::Normal);
    EXPECT_GT(BoardFont::ToFont(Description("", 0, 400)).pointSizeF(), 0.0);
    EXPECT_EQ(BoardFont::ToFont(Description("", 110, 400)).family(), UiEnvironment::DialogFaceName());
}

TEST(BoardFont, RoundTripsInTenthsAndCutsLongFacesWhole)
{
    FontDescription description = Description("IPAPGothic", 125, 300);
    description.strikeOut = 1;
    description.charSet = BoardFont::kShiftJisCharSet;
    const FontDescription back = BoardFont::FromFont(BoardFont::ToFont(description));
    EXPECT_STREQ(back.faceName, "IPAPGothic");
    EXPECT_EQ(back.height, 125);
    EXPECT_EQ(back.weight, 300);
    EXPECT_EQ(back.italic + back.underline, 0);
    EXPECT_EQ(back.strikeOut, 1);
    EXPECT_EQ(back.charSet, BoardFont::kShiftJisCharSet);

    QFont font(QStringLiteral("IPAGothic"));
    font.setPointSizeF(10.46);
    EXPECT_EQ(BoardFont::FromFont(font).height, 105);
    // 16 double-byte characters are 32 bytes: one too many for the field.
    font.setFamily(QString(16, u'字'));
    EXPECT_EQ(std::string(BoardFont::FromFont(font).faceName), Cp932Codec::FromUtf8(QString(15, u'字').toStdString()));
}

} // namespace
