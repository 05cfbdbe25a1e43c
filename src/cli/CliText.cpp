#include "CliText.h"

#include "CliUsage.h"
#include "core/Cp932Codec.h"

#include <ostream>

std::string CliText::ToBoard(std::string_view utf8, std::string_view what, std::ostream& warnings)
{
    if (!Cp932Codec::IsRepresentable(utf8)) {
        warnings << CliUsage::kProgramName << ": warning: the " << what
                 << " holds characters that Shift_JIS (CP932) cannot store; they become '?'\n";
    }
    return Cp932Codec::FromUtf8(utf8);
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
