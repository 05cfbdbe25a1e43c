#include "settings/ui/CQuorlFontDlg.h"
#include "ui/BoardFont.h"
#include "ui/ChooserService.h"
#include "ui/ColorRef.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

template <typename T> bool Same(const T& a, const T& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(CQuorlFontDlg, StartsTheColourChooserFromBlackAndKeepsTenthsOfAPoint)
{
    const FontDescription preset = BoardFont::Default();
    // Distinct everywhere, so that a colour given to the wrong row shows.
    const PriorityColors presetColors{{0x0000FF, 0xFFFFFF, 0xFF0000, 0xE0FFFF, 0x000000, 0xC0C0C0}};
    CQuorlFontDlg dialog{preset, presetColors};
    dialog.show();
    const auto click = [&](const QString& name) { dialog.findChild<QPushButton*>(name)->click(); };

    std::vector<ChooserService::Choice> starts;
    ChooserService::SetResponder([&](const ChooserService::Choice& start) -> std::optional<ChooserService::Choice> {
        starts.push_back(start);
        if (std::holds_alternative<QColor>(start))
            return QColor(0, 255, 0);
        QFont chosen(QStringLiteral("IPAGothic"));
        chosen.setPointSizeF(10.5);
        chosen.setBold(true);
        return chosen;
    });
    for (const QString& name : {"color1", "change"}) // color1: the urgent row's background
        click(name);
    ChooserService::SetResponder({});
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(std::get<QColor>(starts[0]), QColor(Qt::black));
    EXPECT_NE(std::get<QFont>(starts[1]).family(), QStringLiteral("ＭＳ Ｐゴシック")) << "starts from the face really drawn";
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("pointSize"))->text(), QStringLiteral("10"));
    PriorityColors expected = presetColors;
    expected.colors[1] = 0x00FF00;
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("preview0"))->palette().color(QPalette::Base), QColor(0, 255, 0));

    click(QStringLiteral("ok"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.font.height, 105);
    EXPECT_EQ(dialog.font.weight, 700);
    EXPECT_STREQ(dialog.font.faceName, "IPAGothic");
    EXPECT_TRUE(Same(dialog.colors, expected));
}

} // namespace
