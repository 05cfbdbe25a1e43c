#include "settings/ui/CColorButton.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(CColorButton, TheFaceShowsTheLastColourInTheRecordsByteOrder)
{
    CColorButton button;
    button.resize(56, 26);
    button.SetColor(0x000000FF);
    button.show();
    button.Fill(0x00123456);
    const QImage image = button.grab().toImage();
    EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2), qRgb(0x56, 0x34, 0x12));
}

} // namespace
