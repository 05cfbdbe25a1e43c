#pragma once

#include <string>
#include <string_view>

// Conversion between the Japanese code page 932 (what records and the Windows
// peers hold) and UTF-8 (what libxml2, Qt and the terminal speak).
// Never fails: a byte sequence that cannot be converted becomes '?'.
// The mapping is glibc's iconv "CP932" (as Windows maps), asked once per
// character and thread and remembered.
class Cp932Codec
{
public:
    static std::string ToUtf8(std::string_view cp932);
    static std::string FromUtf8(std::string_view utf8);

    // True when every character of the UTF-8 text has a CP932 form
    // (so FromUtf8 writes no replacement '?').
    static bool IsRepresentable(std::string_view utf8);
    // True when the text comes back unchanged from CP932: some characters
    // (〜 U+301C, − U+2212) have a CP932 form that reads back as another one.
    // A path must survive exactly.
    static bool RoundTrips(std::string_view utf8);
    // Where the text stops being well-formed UTF-8 (no overlong forms, no
    // surrogates); npos when it is.
    static size_t FirstInvalidUtf8(std::string_view text);

    // The length of the CP932 character that starts with this byte: 2 for a
    // lead byte of a double-byte character, otherwise 1.
    static int CharLength(unsigned char lead);
};
