#pragma once

#include "net/PeerRecord.h"

#include <QTreeWidget>

#include <string_view>
#include <vector>

class PeerMessenger;

// The recipient list of the send window: one row per member, in the order of
// the member table when the list was filled.
class CParties : public QTreeWidget
{
    Q_OBJECT

public:
    explicit CParties(const PeerMessenger& messenger, QWidget* parent = nullptr);

    void InitColumns();
    // presetAddress: CP932; rows with exactly this address start selected.
    void Fill(std::string_view presetAddress);

    // Selected row indices, ascending.
    std::vector<int> SelectedRows() const;
    // The member that the row shows, as it was when the list was filled.
    const PeerRecord& Entry(int row) const { return entries_.at(static_cast<size_t>(row)); }

private:
    const PeerMessenger& messenger_;
    // The table may change while the list is shown; the rows keep showing,
    // and meaning, the members they were filled with.
    std::vector<PeerRecord> entries_;
};
