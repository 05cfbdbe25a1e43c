#pragma once

#include "core/Cp932Codec.h"
#include "core/RecordField.h"
#include "net/PeerRecord.h"

#include <string>

// A member record from UTF-8 text, held as CP932 as on the wire.
inline PeerRecord Peer(const std::string& address, const std::string& host, const std::string& user)
{
    PeerRecord record;
    RecordField::Set(record.address, address);
    RecordField::Set(record.host, Cp932Codec::FromUtf8(host));
    RecordField::Set(record.user, Cp932Codec::FromUtf8(user));
    return record;
}
