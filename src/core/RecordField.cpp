#include "core/RecordField.h"

#include "core/Cp932Codec.h"

void RecordField::Set(char* field, size_t size, std::string_view cp932)
{
    size_t length = 0;
    while (length < cp932.size()) {
        const size_t next = length + static_cast<size_t>(Cp932Codec::CharLength(static_cast<unsigned char>(cp932[length])));
        if (next > cp932.size() || next > size - 1)
            break;
        length = next;
    }
    std::memset(field, 0, size);
    if (length > 0) // an empty view may have no data pointer at all
        std::memcpy(field, cp932.data(), length);
}
