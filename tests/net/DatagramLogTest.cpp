#include "net/DatagramLog.h"

#include "core/Cp932Codec.h"
#include "net/NetLogCapture.h"

#include <gtest/gtest.h>

namespace {

PeerRecord Record(const std::string& address, const std::string& hostUtf8, const std::string& userUtf8)
{
    PeerRecord record;
    PeerRecord::SetField(record.address, address);
    PeerRecord::SetField(record.host, Cp932Codec::FromUtf8(hostUtf8));
    PeerRecord::SetField(record.user, Cp932Codec::FromUtf8(userUtf8));
    return record;
}

TEST(DatagramLog, WritesOneLinePerEventWithFieldsInUtf8)
{
    NetLogCapture log;
    Datagram received;
    received.kind = 5;
    received.sender = Record("10.0.0.2", "経理PC", "佐藤");
    received.text = Cp932Codec::FromUtf8("会議は10:30");

    DatagramLog::Sent(1, DatagramLog::kBroadcastTarget, 24);
    DatagramLog::Sent(5, Cp932Codec::FromUtf8("経理PC(10.0.0.2)"), 40);
    DatagramLog::SendFailed(5, "no-such-host");
    DatagramLog::Received(received);
    DatagramLog::PeerTableChanged("added", received.sender, 2);
    DatagramLog::PeerTableChanged("removed", Record("", "", ""), 1);
    DatagramLog::PeerTableCleared();

    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "sent kind=1 target=broadcast length=24",
                               "sent kind=5 target=経理PC(10.0.0.2) length=40",
                               "send failed kind=5 target=no-such-host",
                               "received kind=5 address=10.0.0.2 host=経理PC user=佐藤 length=" +
                                   std::to_string(received.text.size()),
                               "peer added address=10.0.0.2 host=経理PC user=佐藤 size=2",
                               "peer removed address= host= user= size=1",
                               "peer table cleared size=0",
                           }));
}

} // namespace
