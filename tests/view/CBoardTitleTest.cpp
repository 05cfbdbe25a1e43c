#include "view/CBoardTitle.h"

#include "board/CBoardData.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "ui/UiEnvironment.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

using Texts = std::vector<std::string>;
using Rows = std::vector<int>;
constexpr const char* kHalfKana = "\xB1";        // ｱ
constexpr const char* kKanji = "\x88\x9F";       // 亜
constexpr PriorityColors kTestColors = {{0x000000FF, 0x0000FFFF, 0x00FF0000, 0x00FFFFFF, 0x00000000, 0x00FFFFFF}};

bool SameImage(const QVariant& image, const char* resource)
{
    QImage expected(16, 16, QImage::Format_ARGB32);
    expected.fill(Qt::transparent);
    if (resource != nullptr)
        expected = QImage(resource).convertToFormat(QImage::Format_ARGB32);
    return image.value<QPixmap>().toImage().convertToFormat(QImage::Format_ARGB32) == expected;
}

class TitleList : public ::testing::Test
{
protected:
    // As on desktops that grey the selection of inactive windows.
    static void SetUpTestSuite()
    {
        original = QApplication::palette();
        QPalette colors = *original;
        colors.setColor(QPalette::Inactive, QPalette::Highlight, Qt::gray);
        QApplication::setPalette(colors);
    }
    static void TearDownTestSuite() { QApplication::setPalette(*original); }
    inline static std::optional<QPalette> original;
    TitleList()
    {
        CBoardTitle::ResetSortState();
        TempDir::Write(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root/>\n");
        store.SetFilePath(path);
        layout.addWidget(&edit);
        layout.addWidget(&list);
        window.resize(600, 400);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void Add(const std::string& title, int priority = 2, int attach = 0, const std::string& date = "20021105093015")
    {
        BoardMessage message{0, title, "user01", "text", priority, attach, date, "pc01"};
        EXPECT_EQ(store.AddMessage(message), 0);
    }
    Texts Column(int column) const
    {
        Texts texts;
        for (int row = 0; row < list.RowCount(); ++row)
            texts.push_back(list.model()->index(row, column).data().toString().toStdString());
        return texts;
    }
    QVariant Cell(int row, int column, int role) const { return list.model()->index(row, column).data(role); }
    Texts HeaderImages() const
    {
        Texts images;
        for (int column = 0; column < 4; ++column) {
            const QVariant image = list.model()->headerData(column, Qt::Horizontal, Qt::DecorationRole);
            images.push_back(SameImage(image, ":/view/sort-up.png") ? "up" : SameImage(image, ":/view/sort-down.png") ? "down" : "");
        }
        return images;
    }
    void ClickHeader(int column)
    {
        QHeaderView* header = list.horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    void ClickRow(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, list.visualRect(list.model()->index(row, 3)).center());
    }
    Rows Emitted(QSignalSpy& spy) const
    {
        Rows rows;
        for (const QList<QVariant>& arguments : spy)
            rows.push_back(arguments.at(0).toInt());
        spy.clear();
        return rows;
    }

    TempDir dir;
    std::string path = dir.file("BoardData.xml");
    RecordingReporter reporter;
    CBoardData store{&reporter};
    std::unique_ptr<QStyle> windowsStyle;
    QWidget window;
    QVBoxLayout layout{&window};
    QLineEdit edit;
    CBoardTitle list{store};
};

TEST_F(TitleList, SortsNewestFirstThenByTheClickedColumnsOwnDirectionAndKeepsItOverReloads)
{
    for (const char* title : {kKanji, "A", kHalfKana, "A"})
        Add(title);
    list.SetupList(std::nullopt);
    EXPECT_EQ(Column(0), (Texts{"000004", "000003", "000002", "000001"}));
    EXPECT_EQ(HeaderImages(), (Texts{"down", "", "", ""}));

    // By code value ｱ (0xB1) comes before 亜 (0x889F); equal titles keep the newest first.
    ClickHeader(1);
    EXPECT_EQ(Column(0), (Texts{"000004", "000002", "000003", "000001"}));
    EXPECT_EQ(HeaderImages(), (Texts{"", "up", "", ""}));
    ClickHeader(1);
    EXPECT_EQ(Column(0), (Texts{"000001", "000003", "000004", "000002"}));
    EXPECT_EQ(HeaderImages(), (Texts{"", "down", "", ""}));
    ClickHeader(0);
    EXPECT_EQ(Column(0), (Texts{"000001", "000002", "000003", "000004"}));
    EXPECT_EQ(HeaderImages(), (Texts{"up", "", "", ""}));

    // Enough equal titles that an unstable sort would mix them.
    for (int i = 0; i < 40; ++i)
        Add("same");
    ClickHeader(1);
    EXPECT_EQ(list.Reload(-1), 44);
    const Texts numbers = Column(0);
    EXPECT_EQ(numbers.front(), "000004");
    EXPECT_EQ(numbers.back(), "000001");
    EXPECT_TRUE(std::is_sorted(numbers.begin() + 2, numbers.end() - 2, std::greater<>()));
}

TEST(CBoardTitleText, ComparesCodeValuesNotBytesAndFormatsFourteenCharacterDates)
{
    const struct { const char* a; const char* b; int sign; } cases[] = {
        {"abc", "abc", 0}, {"ab", "abc", -1}, {"", "a", -1}, {"b", "a", 1},
        {kHalfKana, kKanji, -1},         // bytes would say 0xB1 > 0x88
        {"\x82\xA0", "\x82\xA2", -1},    // あ < い
        {"\x82", "\x82\xA0", -1},        // a lead byte at the end counts alone
        {"\x81\x40", "\xA1", 1},         // full-width space 0x8140 > ｡ 0xA1
    };
    for (const auto& c : cases) {
        const int result = CBoardTitle::CompareText(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
        const int reverse = CBoardTitle::CompareText(c.b, c.a);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign) << c.b << " vs " << c.a;
    }
    EXPECT_EQ(CBoardTitle::FormatListDate("20021105093015"), "2002/11/05 09:30:15");
    EXPECT_EQ(CBoardTitle::FormatListDate("2002110509301"), "");
    EXPECT_EQ(CBoardTitle::FormatListDate("200211050930150"), "");
}

TEST_F(TitleList, ReloadSelectsTheNumbersRowTakesTheFocusAndEmptiesOnAFailingLoad)
{
    for (const char* title : {"a", "b", "c"})
        Add(title);
    QSignalSpy selected(&list, &CBoardTitle::titleSelected);
    list.SetupList(std::nullopt);
    EXPECT_TRUE(list.hasFocus());

    edit.setFocus();
    EXPECT_EQ(list.Reload(2, "test"), 3);
    EXPECT_EQ(list.SelectedRows(), Rows{1});
    EXPECT_TRUE(list.hasFocus());
    EXPECT_EQ(Emitted(selected), Rows{1});

    edit.setFocus();
    EXPECT_EQ(list.Reload(-1), 3);
    EXPECT_EQ(list.FirstSelectedRow(), -1);
    EXPECT_TRUE(edit.hasFocus());
    EXPECT_EQ(list.Reload(99), 3);
    EXPECT_TRUE(list.hasFocus());
    EXPECT_EQ(Emitted(selected), Rows{});

    TempDir::Write(path, "garbage");
    EXPECT_EQ(list.Reload(1), -1);
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(reporter.messages.size(), 1u);
}

TEST_F(TitleList, UpdateRowRewritesTheRowInPlaceUntilTheNextSort)
{
    for (const char* title : {"a", "b", "c"})
        Add(title);
    list.SetupList(std::nullopt);
    ClickHeader(1);
    list.Reload(2);
    edit.setFocus();
    list.UpdateRow(1, BoardMessage{2, "z", "user01", "text", 0, 1, "20021105093015", "pc01"});
    EXPECT_EQ(Column(1), (Texts{"a", "z", "c"}));
    EXPECT_TRUE(list.hasFocus());
    ClickHeader(1);
    ClickHeader(1);
    EXPECT_EQ(Column(1), (Texts{"a", "c", "z"}));
    EXPECT_EQ(list.SelectedRows(), Rows{2}); // the selection moved with its row
}

TEST_F(TitleList, RowsShowTheirPriorityColoursMarkersAndAttachmentMark)
{
    for (const auto& [title, priority, attach] :
         {std::tuple{"urgent", 0, 1}, {"notice", 1, 0}, {"normal", 2, 0}, {"spare", 3, 7}, {"odd", 9, 0}})
        Add(title, priority, attach);
    list.SetupList(std::nullopt);
    list.SetColors(kTestColors);
    // No colour means the list's own palette.
    const struct { int row; QColor text, background; const char* clip; const char* marker; } cases[] = {
        {4, Qt::red, Qt::yellow, ":/view/clip.png", ":/view/urgent.png"},
        {3, Qt::blue, Qt::white, nullptr, ":/view/notice.png"},
        {2, Qt::black, Qt::white, nullptr, nullptr},
        {1, QColor(), QColor(), nullptr, ":/view/spare.png"},
        {0, QColor(), QColor(), nullptr, nullptr},
    };
    const auto color = [](const QVariant& brush) { return brush.isValid() ? brush.value<QBrush>().color() : QColor(); };
    for (const auto& c : cases) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(color(Cell(c.row, column, Qt::ForegroundRole)), c.text) << c.row;
            EXPECT_EQ(color(Cell(c.row, column, Qt::BackgroundRole)), c.background) << c.row;
        }
        const QPixmap picture = Cell(c.row, 0, Qt::DecorationRole).value<QPixmap>();
        ASSERT_EQ(picture.size(), QSize(32, 16));
        EXPECT_TRUE(SameImage(picture.copy(0, 0, 16, 16), c.clip)) << c.row;
        EXPECT_TRUE(SameImage(picture.copy(16, 0, 16, 16), c.marker)) << c.row;
    }
}

TEST_F(TitleList, DrawsRowColoursWithoutFocusRectangleAndTheSelectionInItsHighlight)
{
    Add("x", 0);
    Add("x", 0);
    Add("x", 9);
    windowsStyle.reset(QStyleFactory::create("Windows")); // draws focus rectangles unconditionally
    list.setStyle(windowsStyle.get());
    list.SetupList(std::nullopt);
    list.SetColors(kTestColors);
    list.selectionModel()->setCurrentIndex(list.model()->index(1, 1), QItemSelectionModel::NoUpdate);
    const QImage shot = list.viewport()->grab().toImage();
    const auto cell = [&](int row) { return shot.copy(list.visualRect(list.model()->index(row, 1))); };
    EXPECT_EQ(cell(1), cell(2)); // same titles and colours; only row 1 is current
    EXPECT_EQ(cell(2).pixelColor(1, 1), QColor(Qt::yellow));
    EXPECT_EQ(cell(0).pixelColor(1, 1), list.palette().color(QPalette::Base));

    // Selected rows keep the highlight while another window is active.
    list.Reload(2);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    const QImage selected = list.viewport()->grab().toImage().copy(list.visualRect(list.model()->index(1, 3)));
    EXPECT_EQ(selected.pixelColor(1, 1), list.palette().color(QPalette::Active, QPalette::Highlight));
}

// Which rows a click or key selects is followed through the board view; here
// only when the list says a row was chosen.
TEST_F(TitleList, TitleSelectedOnlyWhenARowBecomesSelectedAndCurrent)
{
    for (const char* title : {"a", "b", "c", "d"})
        Add(title);
    list.SetupList(std::nullopt);
    QSignalSpy selected(&list, &CBoardTitle::titleSelected);
    ClickRow(0);
    ClickRow(0);
    ClickRow(2, Qt::ControlModifier);
    ClickRow(2, Qt::ControlModifier); // deselects the current row
    ClickHeader(1);                    // the rows move, the selection with them
    EXPECT_EQ(Emitted(selected), (Rows{0, 2}));
    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier); // the current row is among them now
    EXPECT_EQ(Emitted(selected), Rows{1});

    // After a reload selecting nothing, the first arrow key selects the top row.
    list.clearFocus();
    list.Reload(0);
    ASSERT_TRUE(list.hasFocus());
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.SelectedRows(), Rows{0});
    EXPECT_EQ(Emitted(selected), Rows{0});
}

TEST_F(TitleList, WithoutStoredWidthsColumnsFitTheFontUntilTheMemberDragsADivider)
{
    const auto widths = [this] {
        const ColumnWidths w = list.GetColumnWidths();
        return std::vector<int>{w.number, w.title, w.name, w.datetime};
    };
    Add("x", 0, 1, "20241231235959");
    list.SetupList(std::nullopt);
    // Under an application style sheet, as the program runs, the header paints with the rows' font too.
    qApp->setStyleSheet(QStringLiteral("QGroupBox { margin-top: 0.5em; }"));
    list.show();
    list.setFont(QFont(UiEnvironment::DialogFaceName(), 16)); // as the main window gives the board font
    EXPECT_EQ(list.horizontalHeader()->viewport()->font(), list.font());
    for (int column : {0, 3}) {
        EXPECT_LE(static_cast<QAbstractItemView&>(list).sizeHintForColumn(column), list.columnWidth(column)) << column;
        EXPECT_LE(list.horizontalHeader()->sectionSizeHint(column), list.columnWidth(column)) << column;
    }
    list.horizontalHeader()->resizeSection(1, 333);
    const std::vector<int> dragged = widths();
    list.setFont(QFont(UiEnvironment::DialogFaceName(), 9));
    EXPECT_EQ(widths(), dragged);

    list.SetupList(ColumnWidths{50, 150, 90, 110});
    list.setFont(QFont(UiEnvironment::DialogFaceName(), 20));
    EXPECT_EQ(widths(), std::vector<int>({50, 150, 90, 110}));
    qApp->setStyleSheet(QString());
}

} // namespace
