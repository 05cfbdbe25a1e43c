#pragma once

#include "board/BoardMessage.h"
#include "settings/SettingsRecords.h"

#include <QFont>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QPrinter;
class QString;
class QWidget;

// One print command: the print dialog, the printer font and page geometry,
// and the job that prints the chosen messages one after another, each with
// its header block between two rules and its text broken into lines.
//
// Positions are in printer pixels from the top left of the printable area;
// row r is the band from r × line height. Line lengths count CP932 bytes, so
// a double-byte character takes two average character widths.
class CBoardPrint
{
public:
    static constexpr int kPrint = 1;
    static constexpr int kCancelled = 2;

    // Plays the print dialog's part: gets the prepared printer (landscape
    // preset), may change it (e.g. set a PDF output file), returns
    // QDialog::Accepted or Rejected. An empty hook restores the real dialog.
    using DialogHook = std::function<int(QPrinter& printer, QWidget* parent)>;
    static void SetDialogHook(DialogHook hook);

    CBoardPrint();
    ~CBoardPrint();
    CBoardPrint(const CBoardPrint&) = delete;
    CBoardPrint& operator=(const CBoardPrint&) = delete;

    // storedFont: the board font from the settings store, nullopt when none
    // is stored (then the parent's font at 11 points). Returns kPrint, or
    // kCancelled when the user cancelled the dialog.
    int SetupPrinter(QWidget* parent, const std::optional<FontDescription>& storedFont);
    // Prints the whole job; an empty list gives one empty page.
    void PrintMessages(const std::vector<BoardMessage>& messages);
    void ReleasePrinter();

    // "%s年%s月%s日 %s時%s分%s秒" in CP932 for a 14-byte date, else "".
    static std::string FormatPrintDate(std::string_view date);
    // Breaks CP932 text into lines of at most charsPerLine bytes at LF and
    // between characters; empty lines are dropped.
    static void WrapText(std::string_view text, int charsPerLine, std::vector<std::string>& lines);

    int LinesPerPage() const { return linesPerPage_; }
    int CharsPerLine() const { return charsPerLine_; }
    int LineHeight() const { return lineHeight_; }

private:
    static int RunDialog(QPrinter& printer, QWidget* parent);
    void SelectFont(QWidget* parent, const std::optional<FontDescription>& storedFont);
    void PrintMessage(const BoardMessage& message);
    void NewPage();
    void PrintRow(int row, const QString& text);
    void DrawRule(int fromColumn, int fromRow, int toColumn, int toRow);

    std::unique_ptr<QPrinter> printer_;
    QPainter* painter_ = nullptr; // only while PrintMessages runs
    QFont font_;
    int averageCharWidth_ = 0;
    int lineHeight_ = 0;
    int ascent_ = 0;
    int printableWidth_ = 0;
    int printableHeight_ = 0;
    int linesPerPage_ = 0;
    int charsPerLine_ = 0;
    int row_ = 0;
    int pages_ = 0;
};
