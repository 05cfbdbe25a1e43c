#pragma once

#include "net/DatagramFormat.h"
#include "net/PeerMessenger.h"
#include "net/TestPeer.h"

#include <string>
#include <vector>

// A member table with the own entry first; datagrams are recorded, not sent.
class FakePeerMessenger : public PeerMessenger
{
public:
    struct Sent
    {
        DatagramKind kind;
        std::string text, target, fallbackAddress;
    };

    FakePeerMessenger() { table_.Add(own_); }

    PeerTable& Table() { return table_; }
    std::vector<Sent> sent;

    const PeerTable& Peers() const override { return table_; }
    std::string FormatDatagram(DatagramKind kind, std::string_view text) const override
    {
        return DatagramFormat::Format(own_, static_cast<int32_t>(kind), text);
    }
    uint16_t MaxDatagramSize() const override { return 1024; }
    int SendDatagram(DatagramKind kind, std::string_view text, std::string_view target,
                     std::string_view fallbackAddress) override
    {
        sent.push_back({kind, std::string(text), std::string(target), std::string(fallbackAddress)});
        return static_cast<int>(text.size());
    }

private:
    PeerRecord own_ = Peer("192.168.0.2", "PC02", "山田 太郎");
    PeerTable table_;
};
