#include "net/PeerTable.h"

#include <algorithm>
#include <cstring>

namespace {

bool SameAddress(const PeerRecord& a, const PeerRecord& b) { return std::strcmp(a.address, b.address) == 0; }

} // namespace

bool PeerTable::Add(const PeerRecord& record)
{
    auto match = [&](const PeerRecord& entry) { return SameAddress(entry, record); };
    if (std::any_of(entries_.begin(), entries_.end(), match))
        return false;
    entries_.push_back(record);
    return true;
}

bool PeerTable::Replace(const PeerRecord& record)
{
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const PeerRecord& entry) { return SameAddress(entry, record); });
    if (it == entries_.end())
        return false;
    entries_.erase(it);
    entries_.push_back(record);
    return true;
}

bool PeerTable::RemoveByHost(const PeerRecord& record)
{
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const PeerRecord& entry) { return std::strcmp(entry.host, record.host) == 0; });
    if (it == entries_.end())
        return false;
    entries_.erase(it);
    return true;
}
