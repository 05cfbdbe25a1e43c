#include "net/PresenceHandler.h"

#include "net/DatagramFormat.h"
#include "net/TestPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

class PresenceHandlerTest : public ::testing::Test
{
protected:
    PresenceHandlerTest()
        : own(Peer("10.0.0.1", "OWNPC", "Me")),
          presence(own, [this](DatagramKind kind, std::string_view text, std::string_view target) {
              sent.push_back(std::string(target) + "|" + std::to_string(static_cast<int>(kind)) + ":" +
                             std::string(text));
          })
    {
        presence.Opened();
    }

    // Handles a datagram as received; false when it is none of the presence kinds.
    bool Receive(const std::string& wire)
    {
        const std::optional<Datagram> datagram = DatagramFormat::Parse(wire);
        EXPECT_TRUE(datagram) << wire;
        return datagram && !presence.IsOwnEcho(*datagram) && presence.Handle(*datagram);
    }

    // "address host user" per member, in table order.
    Lines Rows() const
    {
        Lines rows;
        for (const PeerRecord& entry : presence.Peers().Entries())
            rows.push_back(std::string(entry.address) + " " + entry.host + " " + entry.user);
        return rows;
    }

    PeerRecord own;
    Lines sent;
    PresenceHandler presence;
};

TEST_F(PresenceHandlerTest, HellosAddByExactAddressAndAreAnsweredUpdatesReplaceGoodbyesRemoveByHost)
{
    EXPECT_EQ(Rows(), Lines{"10.0.0.1 OWNPC Me"});
    EXPECT_TRUE(Receive("1:192.168.0.5:PC05:Zuri:Zuri"));
    EXPECT_EQ(sent, Lines{"192.168.0.5|2:OWNPC"});
    EXPECT_TRUE(Receive("1:192.168.0.5:PC06:Other:Other")); // the same address: the first stays
    EXPECT_TRUE(Receive("2:192.168.000.5:PC06:Taro:PC06")); // addresses compare as text
    EXPECT_TRUE(Receive("2:10.0.0.6:PC06:Jiro:PC06"));
    EXPECT_TRUE(Receive("4:192.168.0.5:PC05b:Zuri2:x")); // replaced, moved to the end
    EXPECT_TRUE(Receive("4:10.0.0.99:PC99:Nobody:x"));   // unknown address: nothing
    EXPECT_EQ(Rows(), (Lines{"10.0.0.1 OWNPC Me", "192.168.000.5 PC06 Taro", "10.0.0.6 PC06 Jiro",
                             "192.168.0.5 PC05b Zuri2"}));
    // A Goodbye takes the first member of its host name, whatever its address;
    // host names compare exactly.
    EXPECT_TRUE(Receive("6:10.0.0.77:PC06:Taro:PC06"));
    EXPECT_TRUE(Receive("6:10.0.0.6:pc06:Jiro:pc06"));
    EXPECT_EQ(Rows(), (Lines{"10.0.0.1 OWNPC Me", "10.0.0.6 PC06 Jiro", "192.168.0.5 PC05b Zuri2"}));
    EXPECT_EQ(sent.size(), 2u) << "only Hellos are answered";

    presence.Closed();
    EXPECT_TRUE(Rows().empty());
    presence.Opened();
    EXPECT_EQ(Rows(), Lines{"10.0.0.1 OWNPC Me"});
}

TEST_F(PresenceHandlerTest, OwnEchoesUnknownKindsAndAddresslessHellosChangeNothingAndSendNothing)
{
    sent.clear();
    // The own broadcast, from another address, and the kinds that are no presence.
    for (const char* wire : {"1:10.9.9.9:OWNPC:me:me", "3:10.0.0.8:PC08:X:12", "5:10.0.0.8:PC08:X:hello", "9:10.0.0.7:PC07:X:y"})
        EXPECT_FALSE(Receive(wire)) << wire;
    EXPECT_TRUE(Receive("1::PC09:X:X"));
    EXPECT_TRUE(Receive("1::PC10:Y:Y")); // only the first member without an address is kept
    EXPECT_TRUE(sent.empty()) << "an empty address is no target";
    EXPECT_EQ(Rows(), (Lines{"10.0.0.1 OWNPC Me", " PC09 X"}));

    EXPECT_FALSE(presence.IsOwnEcho(*DatagramFormat::Parse("5:10.0.0.1:OWNPC:Me:note"))) << "a direct message to oneself";
}

} // namespace
