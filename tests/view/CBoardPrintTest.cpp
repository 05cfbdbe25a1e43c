#include "view/CBoardPrint.h"

#include "core/Cp932Codec.h"
#include "support/TempDir.h"
#include "ui/BoardFont.h"
#include "ui/ModalRunner.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>

#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Lines = std::vector<std::string>;

std::string Sj(const std::string& utf8) { return Cp932Codec::FromUtf8(utf8); }

BoardMessage Message(const std::string& title, const std::string& contents, int priority = 2,
                     const std::string& date = "20021105093015")
{
    return BoardMessage{1, Sj(title), Sj("山田"), Sj(contents), priority, 0, date, "pc01"};
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
        for (const char* tool : {"pdftotext", "pdfinfo"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " missing (poppler-utils)";
        CBoardPrint::SetDialogHook([this](QPrinter& printer, QWidget*) {
            printer.setOutputFileName(pdf);
            area = printer.pageLayout().paintRect(QPageLayout::Point);
            dpi = printer.resolution();
            return int(QDialog::Accepted);
        });
    }
    void TearDown() override { CBoardPrint::SetDialogHook({}); }

    // Each row as "page:row:words".
    QStringList Print(const std::vector<BoardMessage>& messages)
    {
        EXPECT_EQ(print.SetupPrinter(nullptr, std::nullopt), CBoardPrint::kPrint);
        print.PrintMessages(messages);
        print.ReleasePrinter();
        static const QRegularExpression word(R"re(<page |<word xMin="[\d.]+" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re");
        QStringList lines;
        int page = -1;
        for (const auto& m : word.globalMatch(Output("pdftotext", {"-bbox", pdf, "-"}))) {
            if (m.captured(1).isEmpty() && ++page >= 0)
                continue;
            const long row = std::lround((m.captured(1).toDouble() - area.top()) * dpi / 72 / print.LineHeight());
            const QString at = QString("%1:%2:").arg(page).arg(row);
            if (!lines.isEmpty() && lines.back().startsWith(at))
                lines.back() += " " + m.captured(2);
            else
                lines.push_back(at + m.captured(2));
        }
        return lines;
    }

    TempDir dir;
    QString pdf = QString::fromStdString(dir.file("board.pdf"));
    QRectF area;
    int dpi = 0;
    CBoardPrint print;
};

TEST_F(PrintJob, HeaderBlocksAndTextFollowRowByRowInTheFontSizeOfTheSettings)
{
    FontDescription stored = BoardFont::FromFont(QApplication::font());
    stored.height = 220;
    ASSERT_EQ(print.SetupPrinter(nullptr, stored), CBoardPrint::kPrint);
    const int large = print.LineHeight();
    ASSERT_EQ(print.SetupPrinter(nullptr, std::nullopt), CBoardPrint::kPrint); // 11 points
    EXPECT_NEAR(large, 2.0 * print.LineHeight(), 0.05 * large);

    // Dates of other lengths than 14 print empty.
    const QStringList lines = Print({Message("会議の連絡", "\n本文一行目\r\n\n\n二行目\n", 0),
                                     Message("次", "", 1, "2002110509301"), Message("三", "", 7, "200211050930150")});
    EXPECT_EQ(lines, (QStringList{"0:1:タイトル：会議の連絡", "0:2:優先度 ：緊急",
                                  "0:3:日時 ：2002年11月05日 09時30分15秒", "0:4:投稿者 ：山田",
                                  "0:6:本文一行目", "0:7:二行目", "0:9:タイトル：次", "0:10:優先度 ：通知",
                                  "0:11:日時 ：", "0:12:投稿者 ：山田", "0:15:タイトル：三", "0:16:優先度 ：7",
                                  "0:17:日時 ：", "0:18:投稿者 ：山田"}));
    EXPECT_TRUE(Output("pdfinfo", {pdf}).contains(QRegularExpression("Title: +掲示板\n")));
}

TEST_F(PrintJob, PagesKeepHeaderBlocksAndLinesWhole)
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
    std::string kanji; // a line full of kanji
    for (int i = 0; i < print.CharsPerLine() / 2; ++i)
        kanji += "漢";
    for (const auto& c : cases) {
        std::string text;
        for (int i = 1; i <= c.firstBodyLines; ++i)
            text += "a" + std::to_string(i) + "\n";
        const QStringList lines = Print({Message(std::string(400, 'W'), text), Message("二", kanji)});
        EXPECT_TRUE(lines.contains(c.expected)) << c.firstBodyLines;
        EXPECT_TRUE(lines.value(1).startsWith("0:2:優先度")) << "the title is not broken";
        EXPECT_TRUE(lines.back().endsWith(QString::fromStdString(kanji))) << "and the kanji line neither";
    }
}

TEST(PrintDialog, OffersPdfFilesButNoSelectionOrRangesInLandscape)
{
    ModalRunner::SetHook([&](QDialog& dialog) {
        auto& asked = dynamic_cast<QPrintDialog&>(dialog);
        EXPECT_EQ(asked.printer()->pageLayout().orientation(), QPageLayout::Landscape);
        EXPECT_TRUE(asked.options().testFlag(QAbstractPrintDialog::PrintToFile));
        EXPECT_FALSE(asked.options().testAnyFlags(QAbstractPrintDialog::PrintSelection | QAbstractPrintDialog::PrintPageRange |
                                                  QAbstractPrintDialog::PrintCurrentPage));
        return int(QDialog::Rejected);
    });
    CBoardPrint print;
    EXPECT_EQ(print.SetupPrinter(nullptr, std::nullopt), CBoardPrint::kCancelled);
    ModalRunner::SetHook({});
    print.PrintMessages({Message("t", "c")}); // no printer: nothing happens
}

} // namespace
