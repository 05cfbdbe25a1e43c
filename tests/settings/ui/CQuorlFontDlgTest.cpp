#include "settings/ui/CColorButton.h"
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

TEST(CQuorlFontDlg, ShowsEachRowInItsColoursStartsTheColourChooserFromBlackAndKeepsTenthsOfAPoint)
{
    const FontDescription preset = BoardFont::Default();
    // Distinct everywhere, so that a colour given to the wrong row shows.
    const PriorityColors presetColors{{0x0000FF, 0xFFFFFF, 0xFF0000, 0xE0FFFF, 0x000000, 0xC0C0C0}};
    CQuorlFontDlg dialog{preset, presetColors};
    dialog.show();
    const auto preview = [&](int row) { return dialog.findChild<QLineEdit*>(QStringLiteral("preview%1").arg(row)); };
    const auto button = [&](int index) { return dialog.findChild<CColorButton*>(QStringLiteral("color%1").arg(index)); };
    const auto pointSize = [&] { return dialog.findChild<QLineEdit*>(QStringLiteral("pointSize"))->text(); };
    const auto expectColors = [&](const PriorityColors& colors, double points, bool bold) {
        for (int row = 0; row < CQuorlFontDlg::kRows; ++row) {
            EXPECT_EQ(preview(row)->palette().color(QPalette::Text), ColorRef::ToQColor(colors.colors[2 * row])) << row;
            EXPECT_EQ(preview(row)->palette().color(QPalette::Base), ColorRef::ToQColor(colors.colors[2 * row + 1])) << row;
            EXPECT_EQ(button(2 * row + 1)->Color(), colors.colors[2 * row + 1]) << row;
            EXPECT_DOUBLE_EQ(preview(row)->font().pointSizeF(), points);
            EXPECT_EQ(preview(row)->font().bold(), bold);
        }
    };
    EXPECT_EQ(pointSize(), QStringLiteral("11"));
    expectColors(presetColors, 11.0, false);

    // Each chooser is cancelled once, then answers.
    std::vector<ChooserService::Choice> starts;
    ChooserService::SetResponder([&](const ChooserService::Choice& start) -> std::optional<ChooserService::Choice> {
        starts.push_back(start);
        if (starts.size() % 2 == 1)
            return std::nullopt;
        if (std::holds_alternative<QColor>(start))
            return QColor(0, 255, 0);
        QFont chosen(QStringLiteral("IPAGothic"));
        chosen.setPointSizeF(10.5);
        chosen.setBold(true);
        return chosen;
    });
    button(0)->click();
    EXPECT_TRUE(Same(dialog.colors, presetColors));
    button(1)->click(); // the urgent row's background
    dialog.findChild<QPushButton*>(QStringLiteral("change"))->click();
    EXPECT_TRUE(Same(dialog.font, preset));
    EXPECT_EQ(pointSize(), QStringLiteral("11"));
    dialog.findChild<QPushButton*>(QStringLiteral("change"))->click();
    ChooserService::SetResponder({});
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_EQ(std::get<QColor>(starts[0]), QColor(Qt::black));
    EXPECT_EQ(std::get<QColor>(starts[1]), QColor(Qt::black));
    EXPECT_DOUBLE_EQ(std::get<QFont>(starts[3]).pointSizeF(), 11.0);
    EXPECT_NE(std::get<QFont>(starts[3]).family(), QStringLiteral("ＭＳ Ｐゴシック")) << "starts from the face really drawn";
    EXPECT_EQ(pointSize(), QStringLiteral("10"));
    PriorityColors expected = presetColors;
    expected.colors[1] = 0x00FF00;
    expectColors(expected, 10.5, true);

    dialog.findChild<QPushButton*>(QStringLiteral("ok"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.font.height, 105);
    EXPECT_EQ(dialog.font.weight, 700);
    EXPECT_STREQ(dialog.font.faceName, "IPAGothic");
    EXPECT_TRUE(Same(dialog.colors, expected));
}

} // namespace
