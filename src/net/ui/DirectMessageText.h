#pragma once

#include <QString>

#include <string>
#include <string_view>

// The text of a direct message on the wire: CP932 with CR LF line breaks, as
// a Windows edit control holds it; the widgets use LF.
class DirectMessageText
{
public:
    static std::string ToWire(const QString& text);
    // CR LF, lone CR and LF all become LF.
    static QString FromWire(std::string_view bytes);
};
