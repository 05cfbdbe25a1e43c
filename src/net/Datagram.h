#pragma once

#include "net/PeerRecord.h"

#include <cstdint>
#include <string>

enum class DatagramKind : int32_t {
    Hello = 1,
    HelloReply = 2,
    BoardChanged = 3,
    PeerUpdate = 4,
    DirectMessage = 5,
    Goodbye = 6,
    BoardDeleted = 7,
};

// A received datagram after parsing. The kind stays a plain number: peers may
// send kinds this program does not know.
struct Datagram
{
    int32_t kind = 0;
    PeerRecord sender;
    std::string text; // CP932, as received
};
