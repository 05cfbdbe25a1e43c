#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

// Fixed-width, zero-terminated CP932 text fields of the records.
class RecordField
{
public:
    // The text up to its terminating zero or the field's width, whichever
    // comes first.
    template <size_t N>
    static std::string_view Text(const char (&field)[N])
    {
        return std::string_view(field, strnlen(field, N));
    }

    // Copies text in, cut to fit with its terminating zero at a character
    // boundary; the rest of the field is zeroed.
    template <size_t N>
    static void Set(char (&field)[N], std::string_view cp932)
    {
        Set(field, N, cp932);
    }
    static void Set(char* field, size_t size, std::string_view cp932);
};
