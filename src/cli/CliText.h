#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

// Text between the terminal (UTF-8) and the board's records (CP932).
class CliText
{
public:
    enum class Backslashes { Escape, Keep };

    // Converts to CP932; characters that CP932 lacks become '?' and a warning
    // naming the value (e.g. "title") goes to warnings.
    static std::string ToBoard(std::string_view utf8, std::string_view what, std::ostream& warnings);
    // Empty when the value can go on the board, else why not: it is not
    // UTF-8, or longer than a board holds.
    static std::string Unfit(std::string_view utf8, std::string_view what);
    static std::string TooLong(std::string_view what);
    static std::string ToTerminal(std::string_view cp932);
    // One value of a line: tab, line feed, carriage return and, unless kept,
    // backslash escaped.
    static std::string EscapeField(std::string_view utf8, Backslashes backslashes = Backslashes::Escape);
};
