#pragma once

#include "net/Datagram.h"

#include <optional>
#include <string>
#include <string_view>

// The wire text "kind:address:host:user:text", CP932 bytes without a
// terminating zero.
class DatagramFormat
{
public:
    static std::string Format(const PeerRecord& sender, int32_t kind, std::string_view text);
    // bytes: the received datagram; parsing stops at a zero byte, as the
    // receive buffer is read as a C string. Fields longer than their width
    // are cut to it. Nothing when the bytes are no datagram a member sends:
    // fewer than four separators, or a kind that is not wholly decimal digits.
    static std::optional<Datagram> Parse(std::string_view bytes);
    // The number at the start of a wire text, as the C runtime reads it: the
    // kind of a datagram this program sends, for its log.
    static int32_t Kind(std::string_view bytes);
};
