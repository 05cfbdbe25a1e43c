#include "ui/DialogUnits.h"
#include "ui/UiEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Each conversion is the pixel nearest to units·base/4 (x) or /8 (y).
TEST(DialogUnits, FourByEightUnitsAreTheBaseAndOthersTheNearestPixel)
{
    for (const int points : {9, 10, 11, 13}) {
        QFont font = UiEnvironment::DialogFont();
        font.setPointSize(points);
        const DialogUnits du(font);
        ASSERT_GT(du.BaseX(), 0);
        EXPECT_EQ(du.Rect(4, 8, 8, 16), QRect(du.BaseX(), du.BaseY(), 2 * du.BaseX(), 2 * du.BaseY()));
        for (int units = 1; units < 8; ++units) {
            EXPECT_LE(std::abs(4 * du.X(units) - units * du.BaseX()), 2) << points << " pt, " << units;
            EXPECT_LE(std::abs(8 * du.Y(units) - units * du.BaseY()), 4) << points << " pt, " << units;
            EXPECT_EQ(du.X(-units), -du.X(units));
        }
    }
}

} // namespace
