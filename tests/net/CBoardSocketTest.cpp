#include "net/CBoardSocket.h"

#include "net/DatagramFormat.h"
#include "net/TestPeer.h"
#include "net/UdpPeer.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

namespace {

using Texts = std::vector<std::string>;
constexpr int kWaitMs = 60000; // generous: the machine may be busy with other builds
constexpr const char* kLoopback = "127.0.0.1";

std::string Wire(int32_t kind, const std::string& text, const std::string& address = "10.0.0.2")
{
    return DatagramFormat::Format(Peer(address, "pcB", "B"), kind, text);
}

// A socket listening on a port of its own that keeps what it receives.
struct Receiving
{
    explicit Receiving(uint16_t maximum = CBoardSocket::kMaxDatagramSize) { socket.OpenOnAnyPort(maximum); }
    bool WaitForCount(size_t count) { return QTest::qWaitFor([&] { return received.size() >= count; }, kWaitMs); }

    Texts received;
    std::vector<bool> endedInZero;
    std::function<void(const std::string&)> onReceive;
    CBoardSocket socket{[this](const char* bytes, size_t length) {
        received.emplace_back(bytes, length);
        endedInZero.push_back(bytes[length] == '\0');
        if (onReceive)
            onReceive(received.back());
    }};
};

class CBoardSocketTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sender.OpenForSending(port)); }

    Receiving peer;
    int port = peer.socket.Port();
    CBoardSocket sender{nullptr};
};

TEST_F(CBoardSocketTest, OwnsItsPortAloneUntilClosedAndDeliversUpToTheMaximumWholeEndingInZero)
{
    CBoardSocket second(nullptr);
    EXPECT_FALSE(second.Open(port, false));
    EXPECT_EQ(second.SendText("1:::", kLoopback), -1);
    QUdpSocket sharing;
    EXPECT_FALSE(sharing.bind(QHostAddress::AnyIPv4, static_cast<quint16>(port), QAbstractSocket::ShareAddress));

    const std::string head = Wire(5, "");
    const std::string full = head + std::string(1024 - head.size(), 'x');
    EXPECT_EQ(sender.SendText(full, kLoopback), 1024);
    EXPECT_EQ(sender.SendText(full + "y", kLoopback), -1);
    EXPECT_EQ(sender.SendText(Wire(3, "42"), kLoopback), static_cast<int>(head.size()) + 2);
    ASSERT_TRUE(peer.WaitForCount(2));
    EXPECT_EQ(peer.received, (Texts{full, Wire(3, "42")}));
    EXPECT_TRUE(peer.endedInZero[0]);

    peer.socket.Close();
    EXPECT_EQ(peer.socket.Port(), 0);
    EXPECT_TRUE(second.Open(port, false, 65507)); // more than a member's program sends: the usual maximum
    EXPECT_EQ(second.MaxDatagramSize(), 1024);
    Receiving small(512);
    EXPECT_EQ(small.socket.MaxDatagramSize(), 512);
    for (const std::string& bytes : {std::string(513, 'a'), std::string(), std::string(512, 'b'),
                                     std::string(CBoardSocket::kMaxDatagramSize + 1, 'c'), std::string("done")})
        SendRaw(bytes, small.socket.Port());
    ASSERT_TRUE(small.WaitForCount(2));
    EXPECT_EQ(small.received, (Texts{std::string(512, 'b'), "done"}));
    EXPECT_TRUE(small.endedInZero[0]);
}

TEST_F(CBoardSocketTest, AReceiverInANestedEventLoopStillGetsTheDatagramsAfterIt)
{
    Texts nested;
    QEventLoop* modal = nullptr;
    peer.onReceive = [&](const std::string& bytes) {
        if (modal != nullptr) {
            nested.push_back(bytes);
            nested.size() == 1 ? void(SendRaw("third", port)) : modal->quit();
            return;
        }
        // As a modal window would: the datagram already queued behind this one,
        // and one that arrives only now, must both come through.
        QEventLoop loop;
        modal = &loop;
        QTimer::singleShot(kWaitMs, &loop, &QEventLoop::quit);
        loop.exec();
        modal = nullptr;
    };
    SendRaw("first", port);
    SendRaw("second", port);
    ASSERT_TRUE(peer.WaitForCount(3));
    EXPECT_EQ(nested, (Texts{"second", "third"}));
}

// Datagrams to members leave in the order given, each once the lookups before it
// have ended; a failed or unanswered lookup uses the fallback address.
TEST_F(CBoardSocketTest, HostNamesAreLookedUpInOrderAndAFailedLookupUsesTheFallback)
{
    const Texts wires = {Wire(5, "by name"), Wire(5, "by fallback"), Wire(5, "lost"), Wire(5, "last")};
    EXPECT_EQ(sender.SendText(wires[0], "localhost"), static_cast<int>(wires[0].size()));
    EXPECT_EQ(sender.SendText(wires[1], "no-such-host.invalid", kLoopback), static_cast<int>(wires[1].size()));
    EXPECT_EQ(sender.SendText(wires[2], "other-host.invalid"), static_cast<int>(wires[2].size()));
    sender.SendText(wires[3], kLoopback);
    ASSERT_TRUE(peer.WaitForCount(3));
    EXPECT_EQ(peer.received, (Texts{wires[0], wires[1], wires[3]}));
    // No target: a broadcast (kept on this machine by the test environment).
    if (sender.SendText(Wire(1, "B"), {}) >= 0) {
        ASSERT_TRUE(peer.WaitForCount(4));
        EXPECT_EQ(peer.received.back(), Wire(1, "B"));
    }

    peer.received.clear();
    std::map<std::string, HostLookup::Answer> lookups;
    sender.SetLookup([&](const std::string& host, HostLookup::Answer answer) { lookups[host] = std::move(answer); });
    sender.SendText(wires[0], "slow-pc", kLoopback);
    sender.SendText(wires[1], "fast-pc", kLoopback);
    sender.SendText(wires[3], kLoopback);
    lookups.at("fast-pc")(kLoopback);
    lookups.at("slow-pc")({}); // no address: the fallback
    // Closing does not wait for the resolver, and what it answers later is dropped.
    sender.SendText(wires[2], "silent-pc", kLoopback);
    sender.Close();
    lookups.at("silent-pc")("127.0.0.2");
    ASSERT_TRUE(peer.WaitForCount(4));
    QTest::qWait(50);
    EXPECT_EQ(peer.received, (Texts{wires[0], wires[1], wires[3], wires[2]}));
}

TEST_F(CBoardSocketTest, BroadcastsAlsoGoToTheExtraDestinationsAndANameOnceFoundIsUsedAtOnce)
{
    std::map<std::string, HostLookup::Answer> lookups;
    sender.SetLookup([&](const std::string& host, HostLookup::Answer answer) { lookups[host] = std::move(answer); });
    sender.SetExtraTargets({kLoopback, "osaka"});
    const auto copies = [&](const std::string& wire) { return std::count(peer.received.begin(), peer.received.end(), wire); };
    // A direct message goes where it is sent, nowhere else.
    sender.SendText(Wire(5, "direct"), kLoopback);
    // The broadcast (here kept on this machine), the address, and the name once looked up.
    sender.SendText(Wire(3, "7"), {});
    ASSERT_TRUE(peer.WaitForCount(3));
    lookups.at("osaka")(kLoopback);
    ASSERT_TRUE(peer.WaitForCount(4));
    EXPECT_EQ(copies(Wire(5, "direct")), 1);
    EXPECT_EQ(copies(Wire(3, "7")), 3);
    // Known now: the Goodbye at exit does not wait for the resolver.
    sender.SendText(Wire(6, "pcB"), {});
    sender.Close();
    ASSERT_TRUE(peer.WaitForCount(7));
    EXPECT_EQ(copies(Wire(6, "pcB")), 3);
}

TEST_F(CBoardSocketTest, AReceiverMayCloseOrDeleteTheSocket)
{
    peer.onReceive = [&](const std::string&) { peer.socket.Close(); };
    int deliveries = 0;
    std::unique_ptr<CBoardSocket> doomed = std::make_unique<CBoardSocket>([&](const char*, size_t) {
        ++deliveries;
        doomed.reset();
    });
    ASSERT_TRUE(doomed->OpenOnAnyPort());
    for (int to : {port, port, doomed->Port(), doomed->Port()})
        SendRaw("datagram", to);
    ASSERT_TRUE(QTest::qWaitFor([&] { return deliveries > 0 && !peer.received.empty(); }, kWaitMs));
    QTest::qWait(0); // runs the dispatches that were posted before the close
    EXPECT_EQ(peer.received.size(), 1u);
    EXPECT_EQ(deliveries, 1);
}

} // namespace
