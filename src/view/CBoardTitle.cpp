#include "view/CBoardTitle.h"

#include "board/CBoardData.h"
#include "board/BoardLog.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

constexpr int kRowPadding = 4;
constexpr int32_t kNoSelection = -1;
// The widths the list first had, made for a 12-pixel font.
constexpr ColumnWidths kFirstWidths = {80, 200, 100, 120};
// The fewest full-width characters the title and the poster keep.
constexpr int kMinTitleCharacters = 6;
constexpr int kMinNameCharacters = 3;
constexpr char16_t kFullWidthSample = u'\u3042'; // あ
constexpr const char* kDateSample = "00000000000000"; // as the board writes dates

} // namespace

// Rows show no focus rectangle: the selection alone marks them.
class CBoardTitle::RowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
        if (index.data(TitleListModel::kUnreadRole).toBool())
            option->font.setBold(true);
    }
};

int CBoardTitle::sortColumn_ = TitleListModel::kColumnNumber;
std::array<int32_t, TitleListModel::kColumnCount> CBoardTitle::ascending_ = {};

CBoardTitle::CBoardTitle(CBoardData& board, QWidget* parent)
    : QTableView(parent), board_(board), model_(new TitleListModel(this))
{
    setModel(model_);
    setItemDelegate(new RowDelegate(this));
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(ScrollPerPixel);

    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(0);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(false);
    header->setSectionsClickable(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(header, &QHeaderView::sectionClicked, this, &CBoardTitle::OnColumnClick);
    connect(header, &QHeaderView::sectionResized, this, [this] { fitWidths_ = fitWidths_ && fitting_; });

    // The selection looks the same while the list's window is not the active one.
    QPalette colors = palette();
    colors.setColor(QPalette::Inactive, QPalette::Highlight, colors.color(QPalette::Active, QPalette::Highlight));
    colors.setColor(QPalette::Inactive, QPalette::HighlightedText,
                    colors.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colors);

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { ReportSelection(); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { ReportSelection(); });
    // Sorting moves the selected rows without a selection change.
    connect(model_, &QAbstractItemModel::layoutChanged, this, [this] { ReportSelection(); });
    UpdateRowHeight();
}

void CBoardTitle::SetupList(const std::optional<ColumnWidths>& widths)
{
    ShowSortImages();
    fitWidths_ = !widths;
    if (widths) {
        setColumnWidth(TitleListModel::kColumnNumber, widths->number);
        setColumnWidth(TitleListModel::kColumnTitle, widths->title);
        setColumnWidth(TitleListModel::kColumnName, widths->name);
        setColumnWidth(TitleListModel::kColumnDate, widths->datetime);
    } else {
        FitColumnWidths();
    }
    Reload(0, "start");
}

// A six-digit number with its pictures and a full date fit whatever the font.
// Title and poster share what they leave of the first widths' room, as those
// shared it, so that all four columns still show in a window of the first
// size; with a large font they keep a few characters and the list scrolls.
void CBoardTitle::FitColumnWidths()
{
    const QString fullWidth(kFullWidthSample);
    const auto fit = [this](int column, const QString& sample) {
        return std::max(CellWidth(column, sample), horizontalHeader()->sectionSizeHint(column));
    };
    const int number = fit(TitleListModel::kColumnNumber, QString::fromStdString(TitleListModel::FormatNumber(0)));
    const int date = fit(TitleListModel::kColumnDate,
                         QString::fromStdString(TitleListModel::FormatListDate(kDateSample)));
    const int shared = kFirstWidths.number + kFirstWidths.title + kFirstWidths.name + kFirstWidths.datetime -
                       number - date;
    const int title = std::max(shared * kFirstWidths.title / (kFirstWidths.title + kFirstWidths.name),
                               fit(TitleListModel::kColumnTitle, fullWidth.repeated(kMinTitleCharacters)));
    const int name = std::max(shared * kFirstWidths.name / (kFirstWidths.title + kFirstWidths.name),
                              fit(TitleListModel::kColumnName, fullWidth.repeated(kMinNameCharacters)));
    fitting_ = true;
    setColumnWidth(TitleListModel::kColumnNumber, number);
    setColumnWidth(TitleListModel::kColumnTitle, title);
    setColumnWidth(TitleListModel::kColumnName, name);
    setColumnWidth(TitleListModel::kColumnDate, date);
    fitting_ = false;
}

// As wide as the row delegate asks for a cell holding the sample.
int CBoardTitle::CellWidth(int column, const QString& sample) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.text = sample;
    option.features |= QStyleOptionViewItem::HasDisplay;
    if (column == TitleListModel::kColumnNumber) {
        option.features |= QStyleOptionViewItem::HasDecoration;
        option.decorationSize = TitleListModel::kNumberPictureSize;
    }
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width() + (showGrid() ? 1 : 0);
}

int CBoardTitle::Reload(int32_t number, const char* cause)
{
    QElapsedTimer timer;
    timer.start();
    // Rows read from the very contents the file still holds stay as they are.
    uint64_t generation = 0;
    const bool unchanged =
        shownGeneration_ != 0 && board_.ReadGeneration(generation) == 0 && generation == shownGeneration_;
    if (!unchanged) {
        // The rows go first: while the store reports a failure the list is empty.
        shownGeneration_ = 0;
        model_->Clear();
        std::vector<BoardMessage> messages;
        if (board_.LoadMessages(messages) != 0) {
            qCInfo(lcBoard, "titles reloaded cause=%s failed", cause);
            return -1;
        }
        shownGeneration_ = board_.Generation();
        boardCounter_ = board_.Counter();
        model_->Reset(std::move(messages), sortColumn_, ascending_[sortColumn_] != 0);
        emit rowsReloaded();
    } else {
        // As a rebuild would: no row stays selected, and nobody is told.
        selectionModel()->reset();
    }
    if (number != kNoSelection) {
        SelectNumber(number);
        setFocus();
    }
    const int rows = RowCount();
    qCInfo(lcBoard, "titles reloaded cause=%s rows=%d%s ms=%lld", cause, rows, unchanged ? " (unchanged)" : "",
           static_cast<long long>(timer.elapsed()));
    return rows;
}

bool CBoardTitle::SelectNumber(int32_t number)
{
    const int row = FindRow(number);
    if (row == -1)
        return false;
    const QModelIndex index = model_->index(row, TitleListModel::kColumnNumber);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    return true;
}

bool CBoardTitle::SelectNextUnread()
{
    const int row = model_->NextUnreadRow(currentIndex().isValid() ? currentIndex().row() : -1);
    return row >= 0 && SelectNumber(RowNumber(row));
}

// The rows selected when a search changes stay selected while they are
// shown, and come back selected when a later search shows them again.
void CBoardTitle::SetFilter(const QString& text)
{
    if (selectionModel()->hasSelection()) {
        keptSelection_.clear();
        for (int row : SelectedRows())
            keptSelection_.push_back(RowNumber(row));
        std::sort(keptSelection_.begin(), keptSelection_.end());
        keptCurrent_ = currentIndex().isValid() ? RowNumber(currentIndex().row()) : kNoSelection;
    }
    model_->SetFilter(text);
    QItemSelection selection;
    const int rows = RowCount();
    for (int row = 0; row < rows; ++row) {
        if (std::binary_search(keptSelection_.begin(), keptSelection_.end(), RowNumber(row)))
            selection.select(model_->index(row, 0), model_->index(row, TitleListModel::kColumnCount - 1));
    }
    if (const int row = keptCurrent_ == kNoSelection ? -1 : FindRow(keptCurrent_); row != -1) {
        selectionModel()->setCurrentIndex(model_->index(row, TitleListModel::kColumnNumber),
                                          QItemSelectionModel::NoUpdate);
        scrollTo(currentIndex());
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!model_->Filtering()) {
        keptSelection_.clear();
        keptCurrent_ = kNoSelection;
    }
}

void CBoardTitle::UpdateRow(int row, const BoardMessage& message)
{
    model_->ReplaceRow(row, message);
    setFocus();
}

int CBoardTitle::FindRow(int32_t number) const
{
    const int rows = RowCount();
    for (int row = 0; row < rows; ++row) {
        if (RowNumber(row) == number)
            return row;
    }
    return -1;
}

int CBoardTitle::FirstSelectedRow() const
{
    int top = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (top < 0 || range.top() < top)
            top = range.top();
    }
    return top;
}

std::vector<int> CBoardTitle::SelectedRows() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool CBoardTitle::IsRowSelected(int row) const
{
    return selectionModel()->isSelected(model_->index(row, TitleListModel::kColumnNumber));
}

int32_t CBoardTitle::RowNumber(int row) const
{
    const TitleListModel::Row* found = model_->RowAt(row);
    return found != nullptr ? found->number : -1;
}

int CBoardTitle::RowCount() const
{
    return model_->RowCount();
}

ColumnWidths CBoardTitle::GetColumnWidths() const
{
    return {columnWidth(TitleListModel::kColumnNumber), columnWidth(TitleListModel::kColumnTitle),
            columnWidth(TitleListModel::kColumnName), columnWidth(TitleListModel::kColumnDate)};
}

void CBoardTitle::SetColors(const PriorityColors& colors)
{
    model_->SetColors(colors);
}

std::string CBoardTitle::FormatListDate(std::string_view date)
{
    return TitleListModel::FormatListDate(date);
}

int CBoardTitle::CompareText(std::string_view a, std::string_view b)
{
    return TitleListModel::CompareText(a, b);
}

int CBoardTitle::SortColumn()
{
    return sortColumn_;
}

bool CBoardTitle::Ascending(int column)
{
    return column >= 0 && column < TitleListModel::kColumnCount && ascending_[column] == 1;
}

void CBoardTitle::ResetSortState()
{
    sortColumn_ = TitleListModel::kColumnNumber;
    ascending_ = {};
}

// Every click reverses the clicked column's own last direction; a column
// clicked for the first time sorts ascending.
void CBoardTitle::OnColumnClick(int column)
{
    if (column < 0 || column >= TitleListModel::kColumnCount)
        return;
    sortColumn_ = column;
    ascending_[column] = ascending_[column] == 1 ? 0 : 1;
    ShowSortImages();
    model_->Sort(column, ascending_[column] == 1);
}

void CBoardTitle::ShowSortImages()
{
    for (int column = 0; column < TitleListModel::kColumnCount; ++column) {
        TitleListModel::HeaderImage image = TitleListModel::HeaderImage::None;
        if (column == sortColumn_)
            image = Ascending(column) ? TitleListModel::HeaderImage::Up : TitleListModel::HeaderImage::Down;
        model_->SetHeaderImage(column, image);
    }
}

void CBoardTitle::ReportSelection()
{
    const QModelIndex current = currentIndex();
    QModelIndex selectedCurrent;
    if (current.isValid() && selectionModel()->isSelected(current))
        selectedCurrent = current.siblingAtColumn(TitleListModel::kColumnNumber);
    const int topRow = FirstSelectedRow();
    const QModelIndex top = topRow < 0 ? QModelIndex() : model_->index(topRow, TitleListModel::kColumnNumber);
    const bool newCurrent = selectedCurrent.isValid() && selectedCurrent != selectedCurrent_;
    const bool newTop = top.isValid() && top != topSelected_;
    topSelected_ = top;
    selectedCurrent_ = selectedCurrent;
    if (newCurrent || newTop)
        emit titleSelected(newCurrent ? selectedCurrent.row() : top.row());
}

void CBoardTitle::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // Under the application style sheet the header, and the viewport it
        // paints on, keep the font they had when they were polished.
        horizontalHeader()->setFont(font());
        horizontalHeader()->viewport()->setFont(font());
        UpdateRowHeight();
        if (fitWidths_)
            FitColumnWidths();
    }
}

// With nothing selected, Qt puts the current row on the first one when the
// list takes the focus; the first arrow key then selects that row rather than
// skipping past it.
void CBoardTitle::keyPressEvent(QKeyEvent* event)
{
    const bool arrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    if (arrow && event->modifiers() == Qt::NoModifier && !selectionModel()->hasSelection() &&
        currentIndex().isValid()) {
        selectionModel()->setCurrentIndex(currentIndex(),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CBoardTitle::UpdateRowHeight()
{
    verticalHeader()->setDefaultSectionSize(std::max(fontMetrics().height(), TitleListModel::kImageSize) +
                                            kRowPadding);
}
