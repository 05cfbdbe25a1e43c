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

class CQuorlFontDlgTest : public ::testing::Test
{
protected:
    CQuorlFontDlgTest() { dialog.show(); }
    ~CQuorlFontDlgTest() override
    {
        ChooserService::SetResponder({});
    }

    template <typename W = QLineEdit> W* Control(const QString& name) { return dialog.findChild<W*>(name); }
    QLineEdit* Preview(int row) { return Control(QStringLiteral("preview%1").arg(row)); }
    CColorButton* Button(int index) { return Control<CColorButton>(QStringLiteral("color%1").arg(index)); }
    void Press(const char* name) { Control<QPushButton>(QString::fromLatin1(name))->click(); }
    QString SizeText() { return Control(QStringLiteral("pointSize"))->text(); }
    void ExpectRowColors(int row, uint32_t text, uint32_t back)
    {
        EXPECT_EQ(Preview(row)->palette().color(QPalette::Text), ColorRef::ToQColor(text)) << row;
        EXPECT_EQ(Preview(row)->palette().color(QPalette::Base), ColorRef::ToQColor(back)) << row;
    }

    const FontDescription preset = BoardFont::Default();
    // Distinct everywhere, so that a colour given to the wrong row shows.
    const PriorityColors presetColors{{0x0000FF, 0xFFFFFF, 0xFF0000, 0xE0FFFF, 0x000000, 0xC0C0C0}};
    CQuorlFontDlg dialog{preset, presetColors};
};

TEST_F(CQuorlFontDlgTest, ShowsEachRowInItsColoursStartsTheColourChooserFromBlackAndKeepsTenthsOfAPoint)
{
    EXPECT_EQ(SizeText(), QStringLiteral("11"));
    EXPECT_EQ(Control(QStringLiteral("faceName"))->text(), QStringLiteral("ＭＳ Ｐゴシック"));
    const char* words[] = {"緊急", "通知", "通常"};
    for (int row = 0; row < CQuorlFontDlg::kRows; ++row) {
        EXPECT_EQ(Preview(row)->text(), QString::fromUtf8(words[row]));
        EXPECT_DOUBLE_EQ(Preview(row)->font().pointSizeF(), 11.0);
        ExpectRowColors(row, presetColors.colors[2 * row], presetColors.colors[2 * row + 1]);
        EXPECT_EQ(Button(2 * row)->Color(), presetColors.colors[2 * row]);
        EXPECT_EQ(Button(2 * row + 1)->Color(), presetColors.colors[2 * row + 1]);
    }

    std::vector<QColor> colorStarts;
    ChooserService::SetResponder([&](const ChooserService::Choice& start) -> std::optional<ChooserService::Choice> {
        colorStarts.push_back(std::get<QColor>(start));
        return colorStarts.size() == 1 ? std::nullopt : std::optional<ChooserService::Choice>(QColor(0, 255, 0));
    });
    Button(0)->click(); // red, cancelled
    EXPECT_TRUE(Same(dialog.colors, presetColors));
    Button(1)->click(); // urgent background
    EXPECT_EQ(colorStarts, (std::vector<QColor>{Qt::black, Qt::black}));
    EXPECT_EQ(Button(1)->Color(), 0x00FF00u);
    ExpectRowColors(0, presetColors.colors[0], 0x00FF00);
    for (int row = 1; row < CQuorlFontDlg::kRows; ++row)
        ExpectRowColors(row, presetColors.colors[2 * row], presetColors.colors[2 * row + 1]);

    std::vector<QFont> fontStarts;
    ChooserService::SetResponder([&](const ChooserService::Choice& start) -> std::optional<ChooserService::Choice> {
        fontStarts.push_back(std::get<QFont>(start));
        if (fontStarts.size() == 1)
            return std::nullopt;
        QFont chosen(QStringLiteral("IPAGothic"));
        chosen.setPointSizeF(10.5);
        chosen.setBold(true);
        return chosen;
    });
    Press("change"); // cancelled
    EXPECT_TRUE(Same(dialog.font, preset));
    EXPECT_EQ(SizeText(), QStringLiteral("11"));
    Press("change");
    ASSERT_EQ(fontStarts.size(), 2u);
    EXPECT_DOUBLE_EQ(fontStarts[1].pointSizeF(), 11.0);
    EXPECT_NE(fontStarts[1].family(), QStringLiteral("ＭＳ Ｐゴシック")) << "starts from the face really drawn";
    EXPECT_EQ(SizeText(), QStringLiteral("10"));
    for (int row = 0; row < CQuorlFontDlg::kRows; ++row) {
        EXPECT_DOUBLE_EQ(Preview(row)->font().pointSizeF(), 10.5);
        EXPECT_TRUE(Preview(row)->font().bold());
    }

    Press("ok");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.font.height, 105);
    EXPECT_EQ(dialog.font.weight, 700);
    EXPECT_STREQ(dialog.font.faceName, "IPAGothic");
    PriorityColors expected = presetColors;
    expected.colors[1] = 0x00FF00;
    EXPECT_TRUE(Same(dialog.colors, expected));
}

} // namespace
