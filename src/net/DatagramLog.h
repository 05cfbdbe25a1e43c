#pragma once

#include "net/Datagram.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// One line per datagram and member-table event on the "quorlboard.net"
// category, the same from the program and the command-line tool. Tests of
// whole programs read these lines: keep their wording.
class DatagramLog
{
public:
    // The target shown for a datagram sent to every member.
    static constexpr const char* kBroadcastTarget = "broadcast";

    // target: CP932, as given to the socket (a host name followed by the
    // address used in parentheses when it was looked up).
    static void Sent(int32_t kind, std::string_view target, size_t length);
    static void SendFailed(int32_t kind, std::string_view target);
    static void Received(const Datagram& datagram);
    // Bytes that are no datagram of a member's program.
    static void Malformed(size_t length);
    // what: "added", "replaced" or "removed"; size: the table's size after.
    static void PeerTableChanged(const char* what, const PeerRecord& record, size_t size);
    static void PeerTableCleared();
};
