#pragma once

#include <cstring>
#include <string_view>

// The text of a fixed-width record field, up to its terminating zero or its
// width, whichever comes first.
class RecordField
{
public:
    template <size_t N>
    static std::string_view Text(const char (&field)[N])
    {
        return std::string_view(field, strnlen(field, N));
    }
};
