#include "net/PeerRecord.h"

#include "core/Cp932Codec.h"

#include <cstring>

void PeerRecord::SetField(char* field, size_t size, std::string_view text)
{
    size_t length = 0;
    while (length < text.size()) {
        size_t next = length + static_cast<size_t>(Cp932Codec::CharLength(static_cast<unsigned char>(text[length])));
        if (next > text.size() || next > size - 1)
            break;
        length = next;
    }
    std::memset(field, 0, size);
    if (length > 0) // an empty view may have no data pointer at all
        std::memcpy(field, text.data(), length);
}
