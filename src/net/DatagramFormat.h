#pragma once

#include "net/Datagram.h"

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
    // are cut to it.
    static Datagram Parse(std::string_view bytes);
    // The kind at the start of a wire text, read as Parse reads it.
    static int32_t Kind(std::string_view bytes);
};
