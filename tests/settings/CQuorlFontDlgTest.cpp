#include "settings/CColorButton.h"
#include "settings/CQuorlFontDlg.h"
#include "ui/BoardFont.h"
#include "ui/ColorRef.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Distinct everywhere, so that a colour given to the wrong row shows.
PriorityColors PresetColors()
{
    PriorityColors colors;
    const uint32_t values[PriorityColors::kCount] = {0x0000FF, 0xFFFFFF, 0xFF0000, 0xE0FFFF, 0x000000, 0xC0C0C0};
    std::memcpy(colors.colors, values, sizeof values);
    return colors;
}

template <typename T> bool Same(const T& a, const T& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class CQuorlFontDlgTest : public ::testing::Test
{
protected:
    CQuorlFontDlgTest() { dialog.show(); }
    ~CQuorlFontDlgTest() override
    {
        CQuorlFontDlg::SetFontChooser({});
        CQuorlFontDlg::SetColorChooser({});
    }

    template <typename Widget = QLineEdit> Widget* Control(const QString& name)
    {
        return dialog.findChild<Widget*>(name);
    }
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
    const PriorityColors presetColors = PresetColors();
    CQuorlFontDlg dialog{preset, presetColors};
};

TEST_F(CQuorlFontDlgTest, OpensShowingTheFontAndEachRowInItsColours)
{
    EXPECT_EQ(SizeText(), QStringLiteral("11"));
    EXPECT_EQ(Control(QStringLiteral("faceName"))->text(), QStringLiteral("ＭＳ Ｐゴシック"));
    const char* words[] = {"緊急", "通知", "通常"};
    for (int row = 0; row < CQuorlFontDlg::kRows; ++row) {
        EXPECT_EQ(Preview(row)->text(), QString::fromUtf8(words[row]));
        EXPECT_TRUE(Preview(row)->alignment() & Qt::AlignHCenter);
        EXPECT_DOUBLE_EQ(Preview(row)->font().pointSizeF(), 11.0);
        ExpectRowColors(row, presetColors.colors[2 * row], presetColors.colors[2 * row + 1]);
        EXPECT_EQ(Button(2 * row)->Color(), presetColors.colors[2 * row]);
        EXPECT_EQ(Button(2 * row + 1)->Color(), presetColors.colors[2 * row + 1]);
    }
    Press("ok");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(Same(dialog.font, preset));
    EXPECT_TRUE(Same(dialog.colors, presetColors));
}

TEST_F(CQuorlFontDlgTest, ChosenFontKeepsTenthsOfAPointAndShowsWholePoints)
{
    QFont initial;
    CQuorlFontDlg::SetFontChooser([&](QWidget*, const QFont& start) -> std::optional<QFont> {
        initial = start;
        QFont chosen(QStringLiteral("IPAGothic"));
        chosen.setPointSizeF(10.5);
        chosen.setBold(true);
        return chosen;
    });
    Press("change");

    EXPECT_DOUBLE_EQ(initial.pointSizeF(), 11.0);
    EXPECT_NE(initial.family(), QStringLiteral("ＭＳ Ｐゴシック")) << "starts from the face really drawn";
    EXPECT_EQ(dialog.font.height, 105);
    EXPECT_EQ(dialog.font.weight, 700);
    EXPECT_STREQ(dialog.font.faceName, "IPAGothic");
    EXPECT_EQ(SizeText(), QStringLiteral("10"));
    for (int row = 0; row < CQuorlFontDlg::kRows; ++row) {
        EXPECT_DOUBLE_EQ(Preview(row)->font().pointSizeF(), 10.5);
        EXPECT_TRUE(Preview(row)->font().bold());
    }
}

TEST_F(CQuorlFontDlgTest, CancelledFontChooserLeavesTheFontAsItWas)
{
    CQuorlFontDlg::SetFontChooser([](QWidget*, const QFont&) -> std::optional<QFont> { return std::nullopt; });
    Press("change");
    Press("ok");
    EXPECT_TRUE(Same(dialog.font, preset));
    EXPECT_EQ(SizeText(), QStringLiteral("11"));
}

TEST_F(CQuorlFontDlgTest, ColourChooserStartsFromBlackAndColoursOnlyItsRow)
{
    std::vector<QColor> starts;
    std::vector<std::optional<QColor>> answers = {std::nullopt, QColor(0, 255, 0)};
    CQuorlFontDlg::SetColorChooser([&](QWidget*, const QColor& start) {
        starts.push_back(start);
        const std::optional<QColor> answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
    Button(0)->click(); // red, cancelled
    EXPECT_TRUE(Same(dialog.colors, presetColors));
    Button(1)->click(); // urgent background
    EXPECT_EQ(starts, (std::vector<QColor>{Qt::black, Qt::black}));

    EXPECT_EQ(dialog.colors.colors[1], 0x00FF00u);
    EXPECT_EQ(Button(1)->Color(), 0x00FF00u);
    ExpectRowColors(0, presetColors.colors[0], 0x00FF00);
    for (int row = 1; row < CQuorlFontDlg::kRows; ++row)
        ExpectRowColors(row, presetColors.colors[2 * row], presetColors.colors[2 * row + 1]);
    Press("cancel");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace
