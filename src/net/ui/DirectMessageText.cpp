#include "net/ui/DirectMessageText.h"

#include "core/Cp932Codec.h"

std::string DirectMessageText::ToWire(const QString& text)
{
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return Cp932Codec::FromUtf8(crlf.toStdString());
}

QString DirectMessageText::FromWire(std::string_view bytes)
{
    QString text = QString::fromStdString(Cp932Codec::ToUtf8(bytes));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
