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

TEST(BoardFont, HeightsInTenthsEitherSignAndFacesCutWholeSurviveTheRoundTrip)
{
    FontDescription description = Description("ＭＳ 明朝", -105, 700);
    description.italic = description.underline = 1;
    const QFont font = BoardFont::ToFont(description);
    EXPECT_EQ(font.family(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 10.5) << "a negative height means the same size";
    EXPECT_TRUE(font.bold() && font.italic() && font.underline() && !font.strikeOut());
    EXPECT_EQ(BoardFont::ToFont(Description("", 110, 400)).family(), UiEnvironment::DialogFaceName());

    const FontDescription back = BoardFont::FromFont(font);
    EXPECT_STREQ(back.faceName, Cp932Codec::FromUtf8("ＭＳ 明朝").c_str());
    EXPECT_EQ(back.height, 105);
    EXPECT_EQ(back.charSet, BoardFont::kShiftJisCharSet);
    // 16 double-byte characters are 32 bytes: one too many for the field.
    QFont wide(QString(16, u'字'));
    EXPECT_EQ(std::string(BoardFont::FromFont(wide).faceName), Cp932Codec::FromUtf8(QString(15, u'字').toStdString()));
}

} // namespace
