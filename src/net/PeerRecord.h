#pragma once

#include <cstddef>
#include <string_view>

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

    // Copies text into a field, cut to the width (with its terminating zero)
    // at a character boundary; the rest of the field is zeroed.
    template <size_t N>
    static void SetField(char (&field)[N], std::string_view text)
    {
        SetField(field, N, text);
    }
    static void SetField(char* field, size_t size, std::string_view text);
};
