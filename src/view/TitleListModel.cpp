#include "view/TitleListModel.h"

#include "core/Cp932Codec.h"
#include "ui/ColorRef.h"
#include "view/SearchText.h"

#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

constexpr const char* kHeaders[TitleListModel::kColumnCount] = {"No.", "タイトル", "投稿者", "日時"};

constexpr const char* kClipImage = ":/view/clip.png";
constexpr const char* kSortUpImage = ":/view/sort-up.png";
constexpr const char* kSortDownImage = ":/view/sort-down.png";
// Priority markers by priority: urgent, notice, normal (no visible marker),
// spare. Priorities beyond these have no marker.
constexpr const char* kMarkerImages[] = {":/view/urgent.png", ":/view/notice.png", nullptr, ":/view/spare.png"};
constexpr int kMarkerCount = static_cast<int>(std::size(kMarkerImages));
constexpr int kPriorityCount = 3;
constexpr int kBlankMarker = kPriorityNormal;
constexpr size_t kDateLength = 14;
constexpr int kNumberBufferSize = 16;

const std::string kNoText;

// The code value of the character at `pos`: a double-byte character counts as
// lead × 256 + trail, a lead byte with nothing after it as a single byte.
int CodeAt(std::string_view text, size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (Cp932Codec::CharLength(lead) == 2 && pos + 1 < text.size())
        return lead * 256 + static_cast<unsigned char>(text[pos + 1]);
    return lead;
}

QString ToQString(const std::string& cp932)
{
    return QString::fromStdString(Cp932Codec::ToUtf8(cp932));
}

int DecorationIndex(int32_t priority, int32_t attach)
{
    const int marker = priority >= 0 && priority < kMarkerCount ? priority : kBlankMarker;
    return (attach == 1 ? kMarkerCount : 0) + marker;
}

} // namespace

TitleListModel::TitleListModel(QObject* parent) : QAbstractTableModel(parent)
{
    SetColors(kDefaultPriorityColors);
    BuildImages();
}

void TitleListModel::BuildImages()
{
    const QPixmap clip(kClipImage);
    for (int attached = 0; attached < 2; ++attached) {
        for (const char* marker : kMarkerImages) {
            QPixmap picture(kNumberPictureSize);
            picture.fill(Qt::transparent);
            QPainter painter(&picture);
            if (attached != 0)
                painter.drawPixmap(0, 0, clip);
            if (marker != nullptr)
                painter.drawPixmap(kImageSize, 0, QPixmap(marker));
            painter.end();
            decorations_.push_back(picture);
        }
    }
    sortUp_ = QPixmap(kSortUpImage);
    sortDown_ = QPixmap(kSortDownImage);
}

std::string TitleListModel::FormatNumber(int32_t number)
{
    char text[kNumberBufferSize];
    std::snprintf(text, sizeof text, "%06d", static_cast<int>(number));
    return text;
}

std::string TitleListModel::FormatListDate(std::string_view date)
{
    if (date.size() != kDateLength)
        return {};
    std::string text;
    text.reserve(kDateLength + 5);
    text.append(date.substr(0, 4)).append(1, '/');
    text.append(date.substr(4, 2)).append(1, '/');
    text.append(date.substr(6, 2)).append(1, ' ');
    text.append(date.substr(8, 2)).append(1, ':');
    text.append(date.substr(10, 2)).append(1, ':');
    text.append(date.substr(12, 2));
    return text;
}

int TitleListModel::CompareText(std::string_view a, std::string_view b)
{
    size_t pos = 0;
    while (pos < a.size() && pos < b.size()) {
        const int codeA = CodeAt(a, pos);
        const int codeB = CodeAt(b, pos);
        if (codeA != codeB)
            return codeA < codeB ? -1 : 1;
        // Equal codes are equally long: a double-byte code is above 0xFF.
        pos += codeA > 0xFF ? 2 : 1;
    }
    if (pos < a.size())
        return 1;
    return pos < b.size() ? -1 : 0;
}

TitleListModel::Row TitleListModel::MakeRow(BoardMessage&& message)
{
    Row row;
    row.texts[kColumnNumber] = FormatNumber(message.number);
    row.number = message.number;
    row.contents = std::move(message.contents);
    row.texts[kColumnTitle] = std::move(message.title);
    row.texts[kColumnName] = std::move(message.name);
    row.texts[kColumnDate] = FormatListDate(message.date);
    row.priority = message.priority;
    row.attach = message.attach;
    return row;
}

void TitleListModel::Reset(std::vector<BoardMessage>&& messages, int sortColumn, bool ascending)
{
    beginResetModel();
    rows_.clear();
    shown_.clear();
    rows_.reserve(messages.size());
    for (auto message = messages.rbegin(); message != messages.rend(); ++message)
        rows_.push_back(MakeRow(std::move(*message)));
    messages.clear();
    SortRows(sortColumn, ascending, nullptr);
    if (filtered_)
        ApplyFilter(false);
    endResetModel();
}

void TitleListModel::Clear()
{
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    shown_.clear();
    endResetModel();
}

void TitleListModel::ReplaceRow(int row, const BoardMessage& message)
{
    if (row < 0 || row >= RowCount())
        return;
    Row& replaced = rows_[static_cast<size_t>(RowIndex(row))];
    const bool unread = replaced.unread;
    replaced = MakeRow(BoardMessage(message));
    replaced.unread = unread;
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

// A stable sort: rows with equal texts keep the order they had before, which
// after a reload is newest first.
void TitleListModel::SortRows(int column, bool ascending, std::vector<int>* newRowOf)
{
    if (column < 0 || column >= kColumnCount)
        return;
    std::vector<int> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const std::string& textA = rows_[a].texts[column];
        const std::string& textB = rows_[b].texts[column];
        return (ascending ? CompareText(textA, textB) : CompareText(textB, textA)) < 0;
    });
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (int from : order)
        sorted.push_back(std::move(rows_[from]));
    rows_.swap(sorted);
    std::vector<int> newIndexOf(order.size(), 0);
    for (size_t to = 0; to < order.size(); ++to)
        newIndexOf[order[to]] = static_cast<int>(to);
    if (!filtered_) {
        if (newRowOf != nullptr)
            newRowOf->swap(newIndexOf);
        return;
    }
    // The rows shown stay shown, in their new order.
    std::vector<int> shown(shown_.size());
    std::transform(shown_.begin(), shown_.end(), shown.begin(), [&](int index) { return newIndexOf[index]; });
    std::sort(shown.begin(), shown.end());
    if (newRowOf != nullptr) {
        std::vector<int> shownRowOf(rows_.size(), 0);
        for (size_t row = 0; row < shown.size(); ++row)
            shownRowOf[shown[row]] = static_cast<int>(row);
        newRowOf->resize(shown_.size());
        for (size_t row = 0; row < shown_.size(); ++row)
            (*newRowOf)[row] = shownRowOf[newIndexOf[shown_[row]]];
    }
    shown_.swap(shown);
}

void TitleListModel::SetFilter(const QString& text)
{
    const QString folded = SearchText::Fold(text);
    if (folded == filter_ && filtered_ == !folded.isEmpty())
        return;
    const bool narrowing = filtered_ && !filter_.isEmpty() && folded.contains(filter_);
    beginResetModel();
    filter_ = folded;
    filtered_ = !folded.isEmpty();
    if (filtered_)
        ApplyFilter(narrowing);
    else
        shown_.clear();
    endResetModel();
}

void TitleListModel::ApplyFilter(bool narrowing)
{
    std::vector<int> candidates;
    if (narrowing) {
        candidates.swap(shown_);
    } else {
        candidates.resize(rows_.size());
        std::iota(candidates.begin(), candidates.end(), 0);
    }
    shown_.clear();
    for (int index : candidates) {
        Row& row = rows_[static_cast<size_t>(index)];
        if (row.folded.isNull()) {
            std::string text = row.texts[kColumnTitle];
            text.append(1, '\0').append(row.texts[kColumnName]).append(1, '\0').append(row.contents);
            row.folded = SearchText::FoldCp932(text);
        }
        if (row.folded.contains(filter_))
            shown_.push_back(index);
    }
}

std::vector<int32_t> TitleListModel::Numbers() const
{
    std::vector<int32_t> numbers;
    numbers.reserve(rows_.size());
    for (const Row& row : rows_)
        numbers.push_back(row.number);
    return numbers;
}

void TitleListModel::SetUnread(const std::function<bool(int32_t number)>& isUnread)
{
    for (Row& row : rows_)
        row.unread = isUnread(row.number);
    if (RowCount() > 0)
        emit dataChanged(index(0, 0), index(RowCount() - 1, kColumnCount - 1), {kUnreadRole, Qt::FontRole});
}

void TitleListModel::SetRowUnread(int32_t number, bool unread)
{
    for (size_t index = 0; index < rows_.size(); ++index) {
        if (rows_[index].number == number && rows_[index].unread != unread) {
            rows_[index].unread = unread;
            EmitRowChanged(index);
        }
    }
}

void TitleListModel::EmitRowChanged(size_t index)
{
    int row = static_cast<int>(index);
    if (filtered_) {
        const auto found = std::lower_bound(shown_.begin(), shown_.end(), row);
        if (found == shown_.end() || *found != row)
            return;
        row = static_cast<int>(found - shown_.begin());
    }
    emit dataChanged(this->index(row, 0), this->index(row, kColumnCount - 1), {kUnreadRole, Qt::FontRole});
}

int TitleListModel::UnreadCount() const
{
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row& row) { return row.unread; }));
}

int TitleListModel::NextUnreadRow(int row) const
{
    const int rows = RowCount();
    for (int step = 1; step <= rows; ++step) {
        const int candidate = ((row < 0 ? -1 : row) + step) % rows;
        if (rows_[static_cast<size_t>(RowIndex(candidate))].unread)
            return candidate;
    }
    return -1;
}

void TitleListModel::Sort(int column, bool ascending)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf;
    SortRows(column, ascending, &newRowOf);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& old : from)
        to.append(old.row() < static_cast<int>(newRowOf.size()) ? index(newRowOf[old.row()], old.column()) : old);
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const std::string& TitleListModel::Text(int row, int column) const
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= kColumnCount)
        return kNoText;
    return rows_[static_cast<size_t>(RowIndex(row))].texts[column];
}

const TitleListModel::Row* TitleListModel::RowAt(int row) const
{
    return row >= 0 && row < RowCount() ? &rows_[static_cast<size_t>(RowIndex(row))] : nullptr;
}

void TitleListModel::SetColors(const PriorityColors& colors)
{
    for (int i = 0; i < PriorityColors::kCount; ++i)
        brushes_[i] = QBrush(ColorRef::ToQColor(colors.colors[i]));
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(RowCount() - 1, kColumnCount - 1),
                         {Qt::ForegroundRole, Qt::BackgroundRole});
}

void TitleListModel::SetHeaderImage(int column, HeaderImage image)
{
    if (column < 0 || column >= kColumnCount || headerImages_[column] == image)
        return;
    headerImages_[column] = image;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int TitleListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RowCount();
}

int TitleListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

// offset 0 is the text colour, 1 the background.
QVariant TitleListModel::RowColor(const Row& row, int offset) const
{
    if (row.priority < 0 || row.priority >= kPriorityCount)
        return {};
    return brushes_[2 * row.priority + offset];
}

QVariant TitleListModel::data(const QModelIndex& index, int role) const
{
    const Row* row = index.isValid() ? RowAt(index.row()) : nullptr;
    if (row == nullptr || index.column() >= kColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return ToQString(row->texts[index.column()]);
    case Qt::DecorationRole:
        if (index.column() == kColumnNumber)
            return decorations_[DecorationIndex(row->priority, row->attach)];
        return {};
    case Qt::ForegroundRole:
        return RowColor(*row, 0);
    case Qt::BackgroundRole:
        return RowColor(*row, 1);
    case kUnreadRole:
        return row->unread;
    default:
        return {};
    }
}

QVariant TitleListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromUtf8(kHeaders[section]);
    case Qt::DecorationRole:
        if (headerImages_[section] == HeaderImage::Up)
            return sortUp_;
        if (headerImages_[section] == HeaderImage::Down)
            return sortDown_;
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags TitleListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
