#pragma once

#include <cstddef>

// One member of the office network. Fields are CP932, zero-terminated
// within their fixed widths.
struct PeerRecord
{
    static constexpr size_t kAddressSize = 16;
    static constexpr size_t kHostSize = 64;
    static constexpr size_t kUserSize = 128;

    char address[kAddressSize] = {};
    char host[kHostSize] = {};
    char user[kUserSize] = {};
};
