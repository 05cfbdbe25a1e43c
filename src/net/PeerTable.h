#pragma once

#include "net/PeerRecord.h"

#include <cstddef>
#include <vector>

// The known members in order of insertion; the own record first once the
// socket is open.
class PeerTable
{
public:
    // Appends unless an entry has the same address. True when appended.
    bool Add(const PeerRecord& record);
    // Moves the entry with the record's address to the end, with the
    // record's fields. True when there was one.
    bool Replace(const PeerRecord& record);
    // Removes the first entry with the record's host name. True when removed.
    bool RemoveByHost(const PeerRecord& record);
    void Clear() { entries_.clear(); }

    size_t Size() const { return entries_.size(); }
    const PeerRecord& At(size_t index) const { return entries_.at(index); }
    const std::vector<PeerRecord>& Entries() const { return entries_; }

private:
    std::vector<PeerRecord> entries_;
};
