#include "net/DatagramFormat.h"
#include "core/RecordField.h"

#include <climits>

namespace {

constexpr char kSeparator = ':';
constexpr int kSeparatorCount = 4;

// atoi: leading white space, an optional sign, then digits; saturated like
// the C runtime on overflow; 0 without digits.
int32_t ReadKind(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int32_t>(value);
}

} // namespace

std::string DatagramFormat::Format(const PeerRecord& sender, int32_t kind, std::string_view text)
{
    std::string wire = std::to_string(kind);
    for (const char* field : {sender.address, sender.host, sender.user}) {
        wire += kSeparator;
        wire += field;
    }
    wire += kSeparator;
    wire.append(text);
    return wire;
}

std::optional<Datagram> DatagramFormat::Parse(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string_view fields[kSeparatorCount];
    size_t start = 0;
    for (std::string_view& field : fields) {
        const size_t colon = bytes.find(kSeparator, start);
        if (colon == std::string_view::npos)
            return std::nullopt;
        field = bytes.substr(start, colon - start);
        start = colon + 1;
    }
    const std::string_view kind = fields[0];
    if (kind.empty() || kind.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    Datagram datagram;
    datagram.kind = ReadKind(kind);
    RecordField::Set(datagram.sender.address, fields[1]);
    RecordField::Set(datagram.sender.host, fields[2]);
    RecordField::Set(datagram.sender.user, fields[3]);
    datagram.text = std::string(bytes.substr(start));
    return datagram;
}

int32_t DatagramFormat::Kind(std::string_view bytes)
{
    return ReadKind(bytes); // stops at the first byte that is not part of the number
}
