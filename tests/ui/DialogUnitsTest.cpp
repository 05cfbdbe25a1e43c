#include "ui/DialogUnits.h"
#include "ui/UiEnvironment.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(DialogUnits, FourByEightUnitsAreTheBaseUnits)
{
    const DialogUnits du = DialogUnits::Dialog();
    ASSERT_GT(du.BaseX(), 0);
    ASSERT_GT(du.BaseY(), 0);
    EXPECT_EQ(du.X(4), du.BaseX());
    EXPECT_EQ(du.Y(8), du.BaseY());
    EXPECT_EQ(du.BaseY(), QFontMetrics(UiEnvironment::DialogFont()).height());
    EXPECT_EQ(du.Rect(4, 8, 8, 16), QRect(du.BaseX(), du.BaseY(), 2 * du.BaseX(), 2 * du.BaseY()));
    EXPECT_EQ(du.Size(259, 153), QSize(du.X(259), du.Y(153)));
}

TEST(DialogUnits, ConversionRoundsHalvesAwayFromZero)
{
    const DialogUnits du = DialogUnits::Dialog();
    for (int units : {1, 2, 3, 5, 7, 150, 259}) {
        EXPECT_EQ(du.X(units), std::lround(units * du.BaseX() / 4.0)) << units;
        EXPECT_EQ(du.Y(units), std::lround(units * du.BaseY() / 8.0)) << units;
        EXPECT_EQ(du.X(-units), -du.X(units)) << units;
    }
}

} // namespace
