#include "settings/ui/CColorButton.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(CColorButton, SwatchCoversTheWholeFaceInTheRecordsByteOrder)
{
    CColorButton button;
    button.setGeometry(0, 0, 20, 10);
    button.SetColor(0x000000FF);
    button.resize(56, 26);
    button.show();
    const auto pixel = [&](int x, int y) {
        const QImage image = button.grab().toImage();
        return image.pixel(x * image.width() / button.width(), y * image.height() / button.height());
    };
    for (const auto& [x, y] : {std::pair{0, 0}, {55, 25}, {28, 13}})
        EXPECT_EQ(pixel(x, y), qRgb(255, 0, 0)) << x << "," << y;
    button.Fill(0x00123456);
    EXPECT_EQ(pixel(55, 25), qRgb(0x56, 0x34, 0x12));
}

} // namespace
