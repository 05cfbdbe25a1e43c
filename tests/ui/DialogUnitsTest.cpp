#include "ui/DialogUnits.h"
#include "ui/UiEnvironment.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(DialogUnits, FourByEightUnitsAreTheDialogFontsBaseUnitsAndOthersRoundHalvesAwayFromZero)
{
    const DialogUnits du = DialogUnits::Dialog();
    ASSERT_GT(du.BaseX(), 0);
    EXPECT_EQ(du.BaseY(), QFontMetrics(UiEnvironment::DialogFont()).height());
    for (int units : {1, 2, 3, 4, 5, 7, 8, 150, 259}) {
        EXPECT_EQ(du.X(units), std::lround(units * du.BaseX() / 4.0)) << units;
        EXPECT_EQ(du.Y(units), std::lround(units * du.BaseY() / 8.0)) << units;
        EXPECT_EQ(du.X(-units), -du.X(units)) << units;
    }
    EXPECT_EQ(du.Rect(4, 8, 8, 16), QRect(du.BaseX(), du.BaseY(), 2 * du.BaseX(), 2 * du.BaseY()));
    EXPECT_EQ(du.Size(259, 153), QSize(du.X(259), du.Y(153)));
}

} // namespace
