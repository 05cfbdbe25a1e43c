#include "core/Cp932Codec.h"
#include "ui/BoardFont.h"
#include "ui/DialogUnits.h"
#include "ui/UiEnvironment.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(BoardFont, HeightsOfEitherSignAndFacesCutWholeSurviveTheRoundTrip)
{
    FontDescription description;
    const std::string face = Cp932Codec::FromUtf8("ＭＳ 明朝");
    std::memcpy(description.faceName, face.c_str(), face.size() + 1);
    description.height = -105;
    description.weight = 700;
    description.italic = 1;
    const QFont font = BoardFont::ToFont(description);
    EXPECT_EQ(font.family(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 10.5) << "a negative height means the same size";
    EXPECT_TRUE(font.bold() && font.italic() && !font.underline());
    description.faceName[0] = '\0';
    EXPECT_EQ(BoardFont::ToFont(description).family(), UiEnvironment::DialogFaceName());

    const FontDescription back = BoardFont::FromFont(font);
    EXPECT_EQ(std::string(back.faceName), face);
    EXPECT_EQ(back.height, 105);
    EXPECT_EQ(back.charSet, BoardFont::kShiftJisCharSet);
    // 16 double-byte characters are 32 bytes: one too many for the field.
    EXPECT_EQ(std::string(BoardFont::FromFont(QFont(QString(16, u'字'))).faceName),
              Cp932Codec::FromUtf8(QString(15, u'字').toStdString()));
}

// Units convert to the pixel nearest to units·base/4 across and /8 down.
TEST(DialogUnits, ConvertToTheNearestPixel)
{
    for (const int points : {9, 11, 13}) {
        QFont font = UiEnvironment::DialogFont();
        font.setPointSize(points);
        const DialogUnits du(font);
        for (int units = 1; units < 8; ++units) {
            EXPECT_LE(std::abs(4 * du.X(units) - units * du.BaseX()), 2) << points << " pt, " << units;
            EXPECT_LE(std::abs(8 * du.Y(units) - units * du.BaseY()), 4) << points << " pt, " << units;
        }
    }
}

} // namespace
