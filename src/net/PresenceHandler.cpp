#include "net/PresenceHandler.h"

#include "net/DatagramLog.h"

#include <cstring>

PresenceHandler::PresenceHandler(const PeerRecord& own, Send send) : own_(own), send_(std::move(send)) {}

void PresenceHandler::Opened()
{
    peers_.Clear();
    Add(own_);
}

void PresenceHandler::Closed()
{
    peers_.Clear();
    DatagramLog::PeerTableCleared();
}

bool PresenceHandler::IsOwnEcho(const Datagram& datagram) const
{
    return static_cast<DatagramKind>(datagram.kind) != DatagramKind::DirectMessage &&
           std::strcmp(datagram.sender.host, own_.host) == 0;
}

bool PresenceHandler::Handle(const Datagram& datagram)
{
    const PeerRecord& sender = datagram.sender;
    switch (static_cast<DatagramKind>(datagram.kind)) {
    case DatagramKind::Hello:
        Add(sender);
        // An empty address is no target: the answer would go to everyone.
        if (sender.address[0] != '\0')
            send_(DatagramKind::HelloReply, own_.host, sender.address);
        return true;
    case DatagramKind::HelloReply:
        Add(sender);
        return true;
    case DatagramKind::PeerUpdate:
        if (peers_.Replace(sender))
            DatagramLog::PeerTableChanged("replaced", sender, peers_.Size());
        return true;
    case DatagramKind::Goodbye:
        if (peers_.RemoveByHost(sender))
            DatagramLog::PeerTableChanged("removed", sender, peers_.Size());
        return true;
    default:
        return false;
    }
}

void PresenceHandler::Add(const PeerRecord& record)
{
    if (peers_.Add(record))
        DatagramLog::PeerTableChanged("added", record, peers_.Size());
}
