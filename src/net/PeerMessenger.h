#pragma once

#include "net/Datagram.h"
#include "net/PeerTable.h"

#include <cstdint>
#include <string>
#include <string_view>

// What the message windows need of the application: the member table and a
// way to send datagrams with the own record's fields.
class PeerMessenger
{
public:
    virtual ~PeerMessenger() = default;

    virtual const PeerTable& Peers() const = 0;
    // The wire text of a datagram from this member.
    virtual std::string FormatDatagram(DatagramKind kind, std::string_view text) const = 0;
    // The largest datagram the socket sends.
    virtual uint16_t MaxDatagramSize() const = 0;
    // target: a dotted address, a host name, or empty for a broadcast. When a
    // host name cannot be looked up (or not quickly), fallbackAddress is used
    // if given. Bytes sent (or queued), or -1.
    virtual int SendDatagram(DatagramKind kind, std::string_view text, std::string_view target,
                             std::string_view fallbackAddress = {}) = 0;
};
