#include "net/DatagramLog.h"

#include "core/Cp932Codec.h"
#include "net/NetLog.h"

#include <string>

namespace {

std::string Utf8(std::string_view cp932)
{
    return Cp932Codec::ToUtf8(cp932);
}

} // namespace

void DatagramLog::Sent(int32_t kind, std::string_view target, size_t length)
{
    qCInfo(lcNet, "sent kind=%d target=%s length=%d", kind, Utf8(target).c_str(), static_cast<int>(length));
}

void DatagramLog::SendFailed(int32_t kind, std::string_view target)
{
    qCInfo(lcNet, "send failed kind=%d target=%s", kind, Utf8(target).c_str());
}

void DatagramLog::Received(const Datagram& datagram)
{
    qCInfo(lcNet, "received kind=%d address=%s host=%s user=%s length=%d", datagram.kind,
           Utf8(datagram.sender.address).c_str(), Utf8(datagram.sender.host).c_str(),
           Utf8(datagram.sender.user).c_str(), static_cast<int>(datagram.text.size()));
}

void DatagramLog::Malformed(size_t length)
{
    qCInfo(lcNet, "ignored malformed datagram length=%d", static_cast<int>(length));
}

void DatagramLog::PeerTableChanged(const char* what, const PeerRecord& record, size_t size)
{
    qCInfo(lcNet, "peer %s address=%s host=%s user=%s size=%llu", what, Utf8(record.address).c_str(),
           Utf8(record.host).c_str(), Utf8(record.user).c_str(), static_cast<unsigned long long>(size));
}

void DatagramLog::PeerTableCleared()
{
    qCInfo(lcNet, "peer table cleared size=0");
}
