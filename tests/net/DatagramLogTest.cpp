#include "net/DatagramLog.h"

#include "net/NetLogCapture.h"
#include "net/TestPeer.h"

#include <gtest/gtest.h>

namespace {

TEST(DatagramLog, WritesOneLinePerEventWithFieldsInUtf8)
{
    NetLogCapture log;
    Datagram received;
    received.kind = 5;
    received.sender = Peer("10.0.0.2", "経理PC", "佐藤");
    received.text = Cp932Codec::FromUtf8("会議は10:30");

    DatagramLog::Sent(1, DatagramLog::kBroadcastTarget, 24);
    DatagramLog::Sent(5, Cp932Codec::FromUtf8("経理PC(10.0.0.2)"), 40);
    DatagramLog::SendFailed(5, "no-such-host");
    DatagramLog::Received(received);
    DatagramLog::PeerTableChanged("added", received.sender, 2);
    DatagramLog::PeerTableChanged("removed", PeerRecord{}, 1);
    DatagramLog::PeerTableCleared();

    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "sent kind=1 target=broadcast length=24",
                               "sent kind=5 target=経理PC(10.0.0.2) length=40",
                               "send failed kind=5 target=no-such-host",
                               "received kind=5 address=10.0.0.2 host=経理PC user=佐藤 length=11",
                               "peer added address=10.0.0.2 host=経理PC user=佐藤 size=2",
                               "peer removed address= host= user= size=1",
                               "peer table cleared size=0",
                           }));
}

} // namespace
