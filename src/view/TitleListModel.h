#pragma once

#include "board/BoardMessage.h"
#include "settings/SettingsRecords.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QPixmap>
#include <QSize>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The rows of the title list. Each row keeps only what the list shows: the
// four column texts as CP932 bytes, the priority and the attachment flag.
// Texts become Unicode when a cell is drawn, so only visible rows pay for it.
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

    struct Row
    {
        std::array<std::string, kColumnCount> texts;
        int32_t priority = 0;
        int32_t attach = 0;
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
    int RowCount() const { return static_cast<int>(rows_.size()); }

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
    QVariant RowColor(const Row& row, int offset) const;

    std::vector<Row> rows_;
    std::array<QBrush, PriorityColors::kCount> brushes_;
    std::array<HeaderImage, kColumnCount> headerImages_{};
    std::vector<QPixmap> decorations_;
    QPixmap sortUp_;
    QPixmap sortDown_;
};
