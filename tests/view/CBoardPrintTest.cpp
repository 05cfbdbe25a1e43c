#include "view/CBoardPrint.h"

#include "core/Cp932Codec.h"
#include "support/TempDir.h"
#include "ui/BoardFont.h"
#include "ui/ModalRunner.h"

#include <QApplication>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Lines = std::vector<std::string>;

std::string Sj(const char* utf8) { return Cp932Codec::FromUtf8(utf8); }

BoardMessage Message(const std::string& title, const std::string& contents, int priority = 2,
                     const std::string& date = "20021105093015")
{
    return BoardMessage{1, Sj(title.c_str()), Sj("山田"), Sj(contents.c_str()), priority, 0, date, "pc01"};
}

QString Output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(WrapText, CutsBytesBetweenCharactersAndAlwaysEnds)
{
    const std::string kai = Sj("会"); // its second byte lies in the lead-byte range
    const struct { std::string text; int n; Lines lines; } cases[] = {
        {kai + kai + kai, 4, {kai + kai, kai}},
        {Sj("会議会議"), 5, {Sj("会議"), Sj("会議")}},
        {Sj("ｱｲｳｴ"), 3, {Sj("ｱｲｳ"), Sj("ｴ")}},
        {"\n\nab\n\n\ncd\n", 4, {"ab", "cd"}},
        {Sj("会a議"), 1, {kai, "a", Sj("議")}},
        {"ab", 0, {"a", "b"}},
        {"", 4, {}},
    };
    for (const auto& c : cases) {
        Lines lines{"stale"};
        CBoardPrint::WrapText(c.text, c.n, lines);
        EXPECT_EQ(lines, c.lines) << Cp932Codec::ToUtf8(c.text) << " n=" << c.n;
    }
}

// Prints into a PDF file and reads it back with poppler's tools.
class PrintJob : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* tool : {"pdftotext", "pdfinfo", "pdftoppm"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " missing (poppler-utils)";
        CBoardPrint::SetDialogHook([this](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            area = printer.pageLayout().paintRect(QPageLayout::Point);
            dpi = printer.resolution();
            return answer;
        });
    }
    void TearDown() override { CBoardPrint::SetDialogHook({}); }

    void Print(const std::vector<BoardMessage>& messages)
    {
        ASSERT_EQ(print.SetupPrinter(nullptr, std::nullopt), CBoardPrint::kPrint);
        print.PrintMessages(messages);
        print.ReleasePrinter();
    }
    // Each row as "page:row:words"; `right` becomes the right edge of the
    // rightmost word.
    QStringList Read()
    {
        static const QRegularExpression word(
            R"re(<page |<word xMin="[\d.]+" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re");
        QStringList lines;
        right = 0;
        int page = -1;
        QString at;
        for (const auto& m : word.globalMatch(Output("pdftotext", {"-bbox", pdf, "-"}))) {
            if (m.captured(1).isEmpty()) {
                ++page;
                continue;
            }
            const long row = std::lround((m.captured(1).toDouble() - area.top()) * dpi / 72 / print.LineHeight());
            const QString next = QString("%1:%2:").arg(page).arg(row);
            if (next == at)
                lines.back() += " " + m.captured(3);
            else
                lines.push_back(next + m.captured(3));
            at = next;
            right = std::max(right, m.captured(2).toDouble());
        }
        return lines;
    }

    TempDir dir;
    QString pdf = QString::fromStdString(dir.file("board.pdf"));
    int answer = QDialog::Accepted;
    QRectF area;
    int dpi = 0;
    double right = 0;
    CBoardPrint print;
};

TEST_F(PrintJob, HeaderBlocksAndTextFollowRowByRowInTheFontSizeOfTheSettings)
{
    FontDescription stored = BoardFont::FromFont(QApplication::font());
    stored.height = 220;
    ASSERT_EQ(print.SetupPrinter(nullptr, stored), CBoardPrint::kPrint);
    const int large = print.LineHeight();
    QWidget parent; // without a stored font: the parent's face at 11 points
    parent.setFont(QFont("IPAPGothic", 30));
    ASSERT_EQ(print.SetupPrinter(&parent, std::nullopt), CBoardPrint::kPrint);
    const int normal = print.LineHeight();
    EXPECT_GE(normal, dpi * 110 / 720);
    EXPECT_LT(normal, dpi * 110 / 720 * 3 / 2);
    EXPECT_NEAR(large, 2.0 * normal, 0.05 * normal);

    // A line full of kanji fits between the margins; dates of other lengths
    // than 14 print empty.
    std::string kanji;
    for (int i = 0; i < print.CharsPerLine() / 2; ++i)
        kanji += "漢";
    print.PrintMessages({Message("会議の連絡", "\n本文一行目\r\n\n\n二行目\n", 0),
                         Message("次", "", 1, "2002110509301"), Message("三", kanji, 7, "200211050930150")});
    EXPECT_EQ(Read(), (QStringList{"0:1:タイトル：会議の連絡", "0:2:優先度 ：緊急",
                                         "0:3:日時 ：2002年11月05日 09時30分15秒", "0:4:投稿者 ：山田",
                                         "0:6:本文一行目", "0:7:二行目", "0:9:タイトル：次", "0:10:優先度 ：通知",
                                         "0:11:日時 ：", "0:12:投稿者 ：山田", "0:15:タイトル：三",
                                         "0:16:優先度 ：7", "0:17:日時 ：", "0:18:投稿者 ：山田",
                                         "0:20:" + QString::fromUtf8(kanji.c_str())}));
    EXPECT_LE(right, area.right() + 0.5);
    EXPECT_TRUE(Output("pdfinfo", {pdf}).contains(QRegularExpression("Title: +掲示板\n")));
}

TEST_F(PrintJob, PagesKeepHeaderBlocksWholeAndCutLongHeaders)
{
    Print({});
    EXPECT_TRUE(Output("pdfinfo", {pdf}).contains(QRegularExpression("Pages: +1\n")));
    const int rows = print.LinesPerPage();
    ASSERT_GT(rows, 12);
    const struct { int firstBodyLines; QString expected; } cases[] = {
        {rows - 12, QString("0:%1:タイトル：二").arg(rows - 5)}, // 6 rows left: stays
        {rows - 11, "1:1:タイトル：二"},                         // 5 rows left: new page
        {rows - 4, QString("1:0:a%1").arg(rows - 5)},            // the text goes on at the top
    };
    for (const auto& c : cases) {
        std::string text;
        for (int i = 1; i <= c.firstBodyLines; ++i)
            text += "a" + std::to_string(i) + "\n";
        Print({Message(std::string(400, 'W'), text), Message("二", "")});
        const QStringList lines = Read();
        EXPECT_TRUE(lines.contains(c.expected)) << c.firstBodyLines;
        EXPECT_TRUE(lines.value(1).startsWith("0:2:優先度")) << "the title is not broken";
    }

    // Nothing of the first page of the last job reaches past the printable area.
    const QString prefix = QString::fromStdString(dir.file("page"));
    Output("pdftoppm", {"-r", "100", "-gray", "-png", "-singlefile", pdf, prefix});
    const QImage page(prefix + ".png");
    ASSERT_FALSE(page.isNull());
    int inkInMargin = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = static_cast<int>((area.right() + 1) * 100 / 72) + 1; x < page.width(); ++x)
            inkInMargin += qGray(page.pixel(x, y)) < 200;
    EXPECT_EQ(inkInMargin, 0) << "header lines are cut at the printable area";
}

TEST(PrintDialog, OffersPdfFilesButNoSelectionOrRangesInLandscape)
{
    QAbstractPrintDialog::PrintDialogOptions options;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    ModalRunner::SetHook([&](QDialog& dialog) {
        auto& printDialog = dynamic_cast<QPrintDialog&>(dialog);
        options = printDialog.options();
        orientation = printDialog.printer()->pageLayout().orientation();
        return int(QDialog::Rejected);
    });
    CBoardPrint print;
    const int result = print.SetupPrinter(nullptr, std::nullopt);
    ModalRunner::SetHook({});
    ASSERT_EQ(result, CBoardPrint::kCancelled);
    print.PrintMessages({Message("t", "c")}); // no printer: nothing happens
    EXPECT_TRUE(options.testFlag(QAbstractPrintDialog::PrintToFile));
    for (auto hidden : {QAbstractPrintDialog::PrintSelection, QAbstractPrintDialog::PrintPageRange,
                        QAbstractPrintDialog::PrintCurrentPage})
        EXPECT_FALSE(options.testFlag(hidden)) << hidden;
    EXPECT_EQ(orientation, QPageLayout::Landscape);
}

} // namespace
