#include "CliText.h"

#include "CliUsage.h"
#include "board/CBoardData.h"
#include "core/Cp932Codec.h"

#include <cstdio>
#include <ostream>

std::string CliText::ToBoard(std::string_view utf8, std::string_view what, std::ostream& warnings)
{
    if (!Cp932Codec::IsRepresentable(utf8)) {
        warnings << CliUsage::kProgramName << ": warning: the " << what
                 << " holds characters that Shift_JIS (CP932) cannot store; they become '?'\n";
    }
    return Cp932Codec::FromUtf8(utf8);
}

std::string CliText::Unfit(std::string_view utf8, std::string_view what)
{
    if (utf8.size() > CBoardData::kMaxTextBytes)
        return TooLong(what);
    const size_t bad = Cp932Codec::FirstInvalidUtf8(utf8);
    if (bad == std::string_view::npos)
        return {};
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(utf8[bad]));
    return "the " + std::string(what) + " must be UTF-8, but byte " + byte + " at offset " + std::to_string(bad) +
           " is not; convert Shift_JIS text with 'iconv -f CP932 -t UTF-8'";
}

std::string CliText::TooLong(std::string_view what)
{
    return "the " + std::string(what) + " must fit the board: at most " +
           std::to_string(CBoardData::kMaxTextBytes) + " bytes of UTF-8";
}

std::string CliText::ToTerminal(std::string_view cp932)
{
    return Cp932Codec::ToUtf8(cp932);
}

std::string CliText::EscapeField(std::string_view utf8, Backslashes backslashes)
{
    // Done on UTF-8, never on CP932, where 0x5C is also the trail byte of
    // characters such as "ソ".
    std::string escaped;
    escaped.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '\t':
            escaped += "\\t";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\\':
            escaped += backslashes == Backslashes::Escape ? "\\\\" : "\\";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}
