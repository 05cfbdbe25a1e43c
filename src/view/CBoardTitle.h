#pragma once

#include "board/BoardMessage.h"
#include "settings/SettingsRecords.h"
#include "view/TitleListModel.h"

#include <QPersistentModelIndex>
#include <QTableView>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CBoardData;

// The title list of the board view: one row per message (number, title,
// poster, date), drawn in its priority's colours, sorted by the clicked
// column. It is rebuilt from the board file by every Reload.
//
// Sorting compares the column's CP932 text character by character; rows with
// equal texts keep the order they had before (after a Reload: newest first).
class CBoardTitle : public QTableView
{
    Q_OBJECT

public:
    CBoardTitle(CBoardData& board, QWidget* parent = nullptr);

    // Creates the columns with these widths, then loads the rows selecting
    // none. Without widths the columns fit the list's font, and fit it again
    // when the font changes, until the member drags a divider.
    void SetupList(const std::optional<ColumnWidths>& widths);
    // Rebuilds every row from the board and sorts them. A number that a row
    // carries is selected, made current and scrolled to; for any number but -1
    // the list then takes the keyboard focus. Returns the row count, or -1 when
    // the board could not be read (the list is then empty).
    int Reload(int32_t number, const char* cause = "request");
    // Rewrites one row where it stands (no re-sort), then takes the focus.
    void UpdateRow(int row, const BoardMessage& message);

    int FindRow(int32_t number) const;
    int FirstSelectedRow() const;
    std::vector<int> SelectedRows() const; // top to bottom
    bool IsRowSelected(int row) const;
    int32_t RowNumber(int row) const;
    int RowCount() const;
    ColumnWidths GetColumnWidths() const;
    void SetColors(const PriorityColors& colors);

    // Find: shows only the rows containing text, keeping the selected rows
    // that stay shown selected.
    void SetFilter(const QString& text);
    // Every number on the board, shown or not.
    std::vector<int32_t> Numbers() const { return model_->Numbers(); }
    // The board's counter at the last reading of its rows.
    int32_t BoardCounter() const { return boardCounter_; }
    // Unread rows are drawn bold.
    void SetUnread(const std::function<bool(int32_t number)>& isUnread) { model_->SetUnread(isUnread); }
    void SetRowUnread(int32_t number, bool unread) { model_->SetRowUnread(number, unread); }
    int UnreadCount() const { return model_->UnreadCount(); }
    // Selects the next unread row after the current one, wrapping round;
    // false when no row shown is unread.
    bool SelectNextUnread();
    // Selects the row of number alone, as a click would; false when no row
    // shown carries it.
    bool SelectNumber(int32_t number);

    static std::string FormatListDate(std::string_view date);
    static int CompareText(std::string_view a, std::string_view b);

    // One sort state for every list, kept for the whole run.
    static int SortColumn();
    static bool Ascending(int column);
    static void ResetSortState();

signals:
    // The row became selected and current together (a click, a key, a Reload
    // selecting a number), or the topmost selected row changed: the board view
    // shows the topmost selected row. Qt shrinks a selection only when the
    // button is released over a row that was already selected, so a click
    // there is reported twice. Not sent when the selection becomes empty.
    void titleSelected(int row);
    // Reload rebuilt the rows from the board (each row's unread flag is clear).
    void rowsReloaded();

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class RowDelegate;

    void OnColumnClick(int column);
    void ShowSortImages();
    void ReportSelection();
    void UpdateRowHeight();
    void FitColumnWidths();
    int CellWidth(int column, const QString& sample) const;

    CBoardData& board_;
    TitleListModel* model_;
    // The board contents the rows were read from; 0 when none.
    uint64_t shownGeneration_ = 0;
    int32_t boardCounter_ = 0;
    // The selected current row and the topmost selected row as last reported.
    QPersistentModelIndex selectedCurrent_;
    QPersistentModelIndex topSelected_;
    // What find keeps selected (sorted numbers) and current.
    std::vector<int32_t> keptSelection_;
    int32_t keptCurrent_ = -1;
    bool fitWidths_ = false;
    bool fitting_ = false;

    static int sortColumn_;
    static std::array<int32_t, TitleListModel::kColumnCount> ascending_;
};
