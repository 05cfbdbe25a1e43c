#pragma once

#include <string>
#include <string_view>

// How CP932 names and strings are written in the UTF-8 settings file.
//
// Quoted text (value names, strings) stands between double quotes. A
// character whose UTF-8 form converts back to the same CP932 bytes is written
// in UTF-8; the escapes are \\ \" \n \r \t, and \xHH (two hex digits) for any
// other control character and for each byte without such a form.
//
// A key name in a section header is written the same way, but its one escape
// is %HH, used for '%', '\', control characters and bytes without a UTF-8
// form, so that '\' can separate the key names of a path.
class SettingsFileText
{
public:
    static std::string Quote(std::string_view bytes);
    // True when Quote needs no \xHH for a byte outside ASCII.
    static bool IsText(std::string_view bytes);
    // Reads the quoted text at the front of `in` and moves past its closing
    // quote. False on a missing quote or an unknown escape.
    static bool Unquote(std::string_view& in, std::string& bytes);

    static std::string EscapeKeyName(std::string_view bytes);
    static bool UnescapeKeyName(std::string_view text, std::string& bytes);
};
