#include "net/ui/CParties.h"

#include "core/Cp932Codec.h"
#include "net/PeerMessenger.h"
#include "core/RecordField.h"

#include <QHeaderView>

namespace {

struct Column
{
    const char* title;
    int width;
};
constexpr Column kColumns[] = {{"名前", 180}, {"ホスト", 70}, {"アドレス", 100}};
enum { kUserColumn, kHostColumn, kAddressColumn };

template <size_t N>
QString FromRecord(const char (&field)[N])
{
    return QString::fromStdString(Cp932Codec::ToUtf8(RecordField::Text(field)));
}

} // namespace

CParties::CParties(const PeerMessenger& messenger, QWidget* parent) : QTreeWidget(parent), messenger_(messenger)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(ExtendedSelection);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);

    // The selection stays as visible as when the list has the focus.
    QPalette colours = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);
}

void CParties::InitColumns()
{
    QStringList titles;
    for (const Column& column : kColumns)
        titles << QString::fromUtf8(column.title);
    setColumnCount(static_cast<int>(titles.size()));
    setHeaderLabels(titles);
    for (int i = 0; i < columnCount(); ++i)
        setColumnWidth(i, kColumns[i].width);

    setSelectionBehavior(SelectRows);
    setAllColumnsShowFocus(true);
}

void CParties::Fill(std::string_view presetAddress)
{
    clear();
    entries_ = messenger_.Peers().Entries();
    QTreeWidgetItem* firstSelected = nullptr;
    for (const PeerRecord& entry : entries_) {
        auto* item = new QTreeWidgetItem(this);
        item->setText(kUserColumn, FromRecord(entry.user));
        item->setText(kHostColumn, FromRecord(entry.host));
        item->setText(kAddressColumn, FromRecord(entry.address));
        // An empty preset selects nothing, even a member whose address is unknown.
        if (!presetAddress.empty() && presetAddress == RecordField::Text(entry.address)) {
            item->setSelected(true);
            if (firstSelected == nullptr)
                firstSelected = item;
        }
    }
    if (firstSelected != nullptr) {
        selectionModel()->setCurrentIndex(indexFromItem(firstSelected), QItemSelectionModel::NoUpdate);
        scrollToItem(firstSelected);
    }
}

std::vector<int> CParties::SelectedRows() const
{
    std::vector<int> rows;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (topLevelItem(row)->isSelected())
            rows.push_back(row);
    }
    return rows;
}
