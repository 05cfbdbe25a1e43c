#pragma once

#include "board/BoardMessage.h"
#include "settings/SettingsRecords.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QPixmap>
#include <QSize>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The rows of the title list. Each row keeps what the list shows: the four
// column texts as CP932 bytes, the priority, the attachment flag and whether
// it is unread; and the contents, for find. Texts become Unicode when a cell
// is drawn, so only visible rows pay for it. A filter hides the rows that do
// not contain its text; row numbers then count the rows shown.
class TitleListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column : int { kColumnNumber, kColumnTitle, kColumnName, kColumnDate, kColumnCount };
    enum class HeaderImage { None, Up, Down };

    static constexpr int kImageSize = 16;
    // Column 0's picture: the attachment slot, then the priority marker.
    static constexpr QSize kNumberPictureSize{2 * kImageSize, kImageSize};
    // Urgent red, notice blue, normal black, all on white.

    // Data role of a row that this desk has not shown yet.
    static constexpr int kUnreadRole = Qt::UserRole + 1;

    struct Row
    {
        std::array<std::string, kColumnCount> texts;
        int32_t number = 0;
        int32_t priority = 0;
        int32_t attach = 0;
        bool unread = false;
        std::string contents;
        // Title, poster and contents folded for find; built on the first search.
        QString folded;
    };

    explicit TitleListModel(QObject* parent = nullptr);

    // Replaces every row: row i from message n-1-i, so that the newest message
    // leads, then sorted. The title and name are moved out of the messages.
    void Reset(std::vector<BoardMessage>&& messages, int sortColumn, bool ascending);
    void Clear();
    // Rewrites one row where it stands, without sorting.
    void ReplaceRow(int row, const BoardMessage& message);
    // Reorders the rows, keeping the previous order among equal texts;
    // selection and current row move with their rows.
    void Sort(int column, bool ascending);

    // The CP932 text of a cell; empty for a cell that does not exist.
    const std::string& Text(int row, int column) const;
    const Row* RowAt(int row) const;
    int RowCount() const { return static_cast<int>(filtered_ ? shown_.size() : rows_.size()); }

    // Shows only the rows whose title, poster or contents contain text (all
    // for an empty text). A search that extends the last one looks only at
    // the rows it left.
    void SetFilter(const QString& text);
    bool Filtering() const { return filtered_; }
    // Every number on the board, shown or not.
    std::vector<int32_t> Numbers() const;
    void SetUnread(const std::function<bool(int32_t number)>& isUnread);
    void SetRowUnread(int32_t number, bool unread);
    int UnreadCount() const;
    // The first unread row shown after row, wrapping round; -1 for none.
    int NextUnreadRow(int row) const;

    void SetColors(const PriorityColors& colors);
    void SetHeaderImage(int column, HeaderImage image);

    static std::string FormatNumber(int32_t number);
    static std::string FormatListDate(std::string_view date);
    static int CompareText(std::string_view a, std::string_view b);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static Row MakeRow(BoardMessage&& message);
    void SortRows(int column, bool ascending, std::vector<int>* newRowOf);
    void BuildImages();
    int RowIndex(int row) const { return filtered_ ? shown_[static_cast<size_t>(row)] : row; }
    void ApplyFilter(bool narrowing);
    void EmitRowChanged(size_t index);
    QVariant RowColor(const Row& row, int offset) const;

    std::vector<Row> rows_;
    bool filtered_ = false;
    QString filter_;      // folded
    std::vector<int> shown_; // indexes into rows_, in their order
    std::array<QBrush, PriorityColors::kCount> brushes_;
    std::array<HeaderImage, kColumnCount> headerImages_{};
    std::vector<QPixmap> decorations_;
    QPixmap sortUp_;
    QPixmap sortDown_;
};
