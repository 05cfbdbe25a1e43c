#pragma once

#include "net/Datagram.h"
#include "net/PeerTable.h"

#include <functional>
#include <string_view>

// The member table, kept from the presence datagrams of others: a Hello or
// its reply adds the sender, an update replaces the record at the sender's
// address, a Goodbye removes the member of the sender's host name. A Hello
// is answered to its sender's address.
class PresenceHandler
{
public:
    using Send = std::function<void(DatagramKind kind, std::string_view text, std::string_view target)>;

    // own: this member's record, read when the socket opens and on each
    // datagram (its user name follows the settings).
    PresenceHandler(const PeerRecord& own, Send send);

    const PeerTable& Peers() const { return peers_; }
    // The socket opened: the table holds only the own record.
    void Opened();
    // The socket closed: the table is empty.
    void Closed();

    // Broadcasts come back to their sender: everything but a direct message
    // with this computer's host name is its own echo.
    bool IsOwnEcho(const Datagram& datagram) const;
    // True when the datagram is one of the presence kinds, now handled.
    bool Handle(const Datagram& datagram);

private:
    void Add(const PeerRecord& record);

    const PeerRecord& own_;
    Send send_;
    PeerTable peers_;
};
