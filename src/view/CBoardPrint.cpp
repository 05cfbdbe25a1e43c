#include "view/CBoardPrint.h"

#include "core/Cp932Codec.h"
#include "ui/BoardFont.h"
#include "ui/ModalRunner.h"
#include "board/BoardLog.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>

namespace {

constexpr const char* kDocumentName = "掲示板";
constexpr const char* kTitleLabel = "タイトル：";
constexpr const char* kPriorityLabel = "優先度 ：";
constexpr const char* kDateLabel = "日時　　：";
constexpr const char* kNameLabel = "投稿者　：";
// Indexed by the record's priority.
constexpr const char* kPriorityNames[] = {"緊急", "通知", "通常"};
constexpr int kPriorityCount = static_cast<int>(std::size(kPriorityNames));

// Date fields: year, month, day, hour, minute, second, each with the unit
// written after it ("%s年%s月%s日 %s時%s分%s秒").
struct DateField
{
    int length;
    const char* unit;
};
constexpr DateField kDateFields[] = {{4, "年"}, {2, "月"}, {2, "日 "}, {2, "時"}, {2, "分"}, {2, "秒"}};
constexpr std::size_t kDateLength = 14;

// Two rules and four header lines.
constexpr int kHeaderRows = 6;
constexpr int kOnlyPage = 1;
// Font heights are in tenths of a point: 72 points, 720 tenths, an inch.
constexpr int64_t kTenthsPerInch = 720;
// A rule one printer dot wide disappears on a fine printer; keep it at least
// as wide as one dot of a 300 dpi printer.
constexpr int kRuleDotsPerInch = 300;
// Kanji are one em wide even in proportional faces.
constexpr const char16_t* kDoubleByteSample = u"漢";

CBoardPrint::DialogHook& CurrentHook()
{
    static CBoardPrint::DialogHook hook;
    return hook;
}

QString FromCp932(std::string_view text) { return QString::fromStdString(Cp932Codec::ToUtf8(text)); }

QString HeaderLine(const char* label, std::string_view value) { return QString::fromUtf8(label) + FromCp932(value); }

QString PriorityName(int32_t priority)
{
    if (priority >= 0 && priority < kPriorityCount)
        return QString::fromUtf8(kPriorityNames[priority]);
    return QString::number(priority);
}

// Control characters (a CR before the LF, a tab) are drawn as blanks, so
// that no glyph box appears and the columns stay as the bytes were counted.
QString Printable(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text;
}

// Bytes of the piece's first line: N, or N − 1 when the N-th byte opens a
// double-byte character. A lone double-byte character at N = 1 is taken
// whole, so every line takes at least one character.
std::size_t FirstLineLength(std::string_view piece, std::size_t limit)
{
    if (piece.size() <= limit)
        return piece.size();
    std::size_t length = 0;
    while (length < limit) {
        const std::size_t next = length + Cp932Codec::CharLength(static_cast<unsigned char>(piece[length]));
        if (next > limit)
            break;
        length = next;
    }
    if (length == 0)
        length = std::min<std::size_t>(piece.size(), Cp932Codec::CharLength(static_cast<unsigned char>(piece[0])));
    return length;
}

} // namespace

void CBoardPrint::SetDialogHook(DialogHook hook) { CurrentHook() = std::move(hook); }

CBoardPrint::CBoardPrint() = default;

CBoardPrint::~CBoardPrint() { ReleasePrinter(); }

int CBoardPrint::RunDialog(QPrinter& printer, QWidget* parent)
{
    if (const DialogHook& hook = CurrentHook())
        return hook(printer, parent);

    QPrintDialog dialog(&printer, parent);
    // setMinMax turns the page range option on: set it before the options.
    dialog.setMinMax(kOnlyPage, kOnlyPage);
    // Printing to a PDF file stays offered: without a printer it is the only
    // way to print. Copies and collation are the printer's business.
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return ModalRunner::Run(dialog);
}

int CBoardPrint::SetupPrinter(QWidget* parent, const std::optional<FontDescription>& storedFont)
{
    ReleasePrinter();
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageOrientation(QPageLayout::Landscape);
    // The range is not used: every message of the list is printed.
    printer->setFromTo(kOnlyPage, kOnlyPage);
    if (RunDialog(*printer, parent) != QDialog::Accepted)
        return kCancelled;
    printer_ = std::move(printer);

    printableWidth_ = printer_->width();
    printableHeight_ = printer_->height();
    SelectFont(parent, storedFont);

    const QFontMetrics metrics(font_, printer_.get());
    // Lines are counted in bytes: a double-byte character must fit in two
    // average widths, as it does with the Windows Japanese faces. Faces whose
    // average is narrower would push Japanese lines past the right edge.
    const int halfEm = (metrics.horizontalAdvance(QString::fromUtf16(kDoubleByteSample)) + 1) / 2;
    averageCharWidth_ = std::max({1, metrics.averageCharWidth(), halfEm});
    lineHeight_ = std::max(1, metrics.height());
    ascent_ = metrics.ascent();
    // A page too small for one line or one character still gets one, so
    // that the job always moves on.
    linesPerPage_ = std::max(1, printableHeight_ / lineHeight_);
    charsPerLine_ = std::max(1, printableWidth_ / averageCharWidth_);
    return kPrint;
}

void CBoardPrint::SelectFont(QWidget* parent, const std::optional<FontDescription>& storedFont)
{
    FontDescription description;
    if (storedFont) {
        description = *storedFont;
    } else {
        description = BoardFont::FromFont(parent != nullptr ? parent->font() : QApplication::font());
        description.height = BoardFont::kDefaultHeight;
    }
    // A stored height of 0 leaves the size to the system: 11 points here. The
    // character height is kept within one page, whatever a damaged store holds.
    const int64_t tenths = description.height != 0 ? std::llabs(static_cast<int64_t>(description.height))
                                                   : static_cast<int64_t>(BoardFont::kDefaultHeight);
    const int64_t pixels = static_cast<int64_t>(printer_->logicalDpiY()) * tenths / kTenthsPerInch;
    font_ = BoardFont::ToFont(description);
    font_.setPixelSize(static_cast<int>(std::clamp<int64_t>(pixels, 1, std::max(1, printableHeight_))));
}

void CBoardPrint::PrintMessages(const std::vector<BoardMessage>& messages)
{
    if (!printer_)
        return;
    printer_->setDocName(QString::fromUtf8(kDocumentName));
    QPainter painter;
    if (!painter.begin(printer_.get())) {
        qCInfo(lcBoard, "print job could not be started");
        return;
    }
    painter_ = &painter;
    painter.setFont(font_);
    QPen pen(Qt::black);
    pen.setWidth(std::max(1, printer_->logicalDpiY() / kRuleDotsPerInch));
    painter.setPen(pen);
    // Header lines are not broken: what is longer than the page is cut off.
    painter.setClipRect(QRect(0, 0, printableWidth_, printableHeight_));

    row_ = 0;
    pages_ = 1;
    for (const BoardMessage& message : messages)
        PrintMessage(message);
    painter.end();
    painter_ = nullptr;
    qCInfo(lcBoard, "printed messages=%d pages=%d", static_cast<int>(messages.size()), pages_);
}

void CBoardPrint::PrintMessage(const BoardMessage& message)
{
    // Never a header block without room for it, but no empty page either.
    if (row_ > 0 && linesPerPage_ - row_ < kHeaderRows)
        NewPage();

    const int ruleEnd = charsPerLine_ / 2;
    DrawRule(0, row_, ruleEnd, row_);
    PrintRow(row_ + 1, HeaderLine(kTitleLabel, message.title));
    PrintRow(row_ + 2, QString::fromUtf8(kPriorityLabel) + PriorityName(message.priority));
    PrintRow(row_ + 3, HeaderLine(kDateLabel, FormatPrintDate(message.date)));
    PrintRow(row_ + 4, HeaderLine(kNameLabel, message.name));
    DrawRule(0, row_ + 5, ruleEnd, row_ + 5);
    row_ += kHeaderRows;

    std::vector<std::string> lines;
    WrapText(message.contents, charsPerLine_, lines);
    for (const std::string& line : lines) {
        if (row_ >= linesPerPage_)
            NewPage();
        PrintRow(row_, FromCp932(line));
        ++row_;
    }
}

void CBoardPrint::NewPage()
{
    printer_->newPage();
    row_ = 0;
    ++pages_;
}

void CBoardPrint::PrintRow(int row, const QString& text)
{
    painter_->drawText(QPoint(0, row * lineHeight_ + ascent_), Printable(text));
}

void CBoardPrint::DrawRule(int fromColumn, int fromRow, int toColumn, int toRow)
{
    const int middle = lineHeight_ / 2;
    painter_->drawLine(fromColumn * averageCharWidth_, fromRow * lineHeight_ + middle, toColumn * averageCharWidth_,
                       toRow * lineHeight_ + middle);
}

void CBoardPrint::ReleasePrinter() { printer_.reset(); }

std::string CBoardPrint::FormatPrintDate(std::string_view date)
{
    std::string text;
    if (date.size() != kDateLength)
        return text;
    std::size_t position = 0;
    for (const DateField& field : kDateFields) {
        text.append(date.substr(position, field.length));
        text.append(Cp932Codec::FromUtf8(field.unit));
        position += field.length;
    }
    return text;
}

void CBoardPrint::WrapText(std::string_view text, int charsPerLine, std::vector<std::string>& lines)
{
    lines.clear();
    const std::size_t limit = static_cast<std::size_t>(std::max(1, charsPerLine));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view piece = text.substr(start, end - start);
        while (!piece.empty()) {
            const std::size_t length = FirstLineLength(piece, limit);
            lines.emplace_back(piece.substr(0, length));
            piece.remove_prefix(length);
        }
        start = end + 1;
    }
}
