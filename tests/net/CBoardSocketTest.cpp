#include "net/CBoardSocket.h"

#include "net/DatagramFormat.h"
#include "net/NetLogCapture.h"
#include "net/TestPeer.h"
#include "net/UdpPeer.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>

namespace {

constexpr int kWaitMs = 60000; // generous: the machine may be busy with other builds
constexpr const char* kLoopback = "127.0.0.1";

std::string Wire(int32_t kind, const std::string& address, const std::string& text)
{
    return DatagramFormat::Format(Peer(address, "pcB", "B"), kind, text);
}

// A socket open on a free port that keeps what it receives.
struct Receiving
{
    explicit Receiving(uint16_t maximum = CBoardSocket::kMaxDatagramSize)
    {
        for (int attempt = 0; attempt < 20 && !socket.IsOpen(); ++attempt)
            socket.Open(FreePort(), false, maximum);
    }
    bool WaitForCount(size_t count)
    {
        return QTest::qWaitFor([&] { return received.size() >= count; }, kWaitMs);
    }

    std::vector<std::string> received;
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
    void SetUp() override
    {
        ASSERT_TRUE(peer.socket.IsOpen());
        port = peer.socket.Port();
        ASSERT_TRUE(sender.OpenForSending(port));
    }

    NetLogCapture log;
    Receiving peer;
    int port = 0;
    CBoardSocket sender{nullptr};
};

TEST_F(CBoardSocketTest, OwnsItsPortAloneUntilClosed)
{
    EXPECT_TRUE(log.Has("socket opened port=" + std::to_string(port)));
    CBoardSocket second(nullptr);
    EXPECT_FALSE(second.Open(port, false));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_TRUE(log.Has("socket open failed port=" + std::to_string(port) + ": ", true));
    EXPECT_EQ(second.SendText("1:::", kLoopback), -1);
    QUdpSocket sharing;
    EXPECT_FALSE(sharing.bind(QHostAddress::AnyIPv4, static_cast<quint16>(port), QAbstractSocket::ShareAddress));

    peer.socket.Close();
    EXPECT_FALSE(peer.socket.IsOpen());
    EXPECT_EQ(peer.socket.Port(), 0);
    EXPECT_TRUE(log.Has("socket closed port=" + std::to_string(port)));
    EXPECT_TRUE(second.Open(port, false, 512));
    EXPECT_EQ(second.MaxDatagramSize(), 512);
    EXPECT_TRUE(second.Open(port, false, 65507)); // reopening the same object
    EXPECT_EQ(second.MaxDatagramSize(), 1024);
    EXPECT_EQ(second.Port(), port);
}

TEST_F(CBoardSocketTest, SendsUpToTheMaximumAndDeliversItWholeEndingInZero)
{
    const std::string head = Wire(5, "10.0.0.2", "");
    const std::string full = head + std::string(1024 - head.size(), 'x');
    EXPECT_EQ(sender.SendText(full, kLoopback), 1024);
    EXPECT_EQ(sender.SendText(full + "y", kLoopback), -1);
    EXPECT_EQ(sender.SendText(Wire(3, "10.0.0.2", "42"), kLoopback), static_cast<int>(head.size()) + 2);
    ASSERT_TRUE(peer.WaitForCount(2));
    EXPECT_EQ(peer.received[0], full);
    EXPECT_TRUE(peer.endedInZero[0]);
    EXPECT_EQ(peer.received[1], Wire(3, "10.0.0.2", "42"));
    EXPECT_TRUE(log.Has("sent kind=5 target=127.0.0.1 length=1024"));
    EXPECT_TRUE(log.Has("send failed kind=5 target=127.0.0.1"));
    EXPECT_TRUE(log.Has("sent kind=3 target=127.0.0.1 length=" + std::to_string(head.size() + 2)));

    Receiving small(512);
    ASSERT_TRUE(small.socket.IsOpen());
    for (const std::string& bytes : {std::string(513, 'a'), std::string(), std::string(512, 'b'),
                                     std::string(CBoardSocket::kMaxDatagramSize + 1, 'c'), std::string("done")})
        SendRaw(bytes, small.socket.Port());
    ASSERT_TRUE(small.WaitForCount(2));
    EXPECT_EQ(small.received, (std::vector<std::string>{std::string(512, 'b'), "done"}));
    EXPECT_TRUE(small.endedInZero[0]);
}

TEST_F(CBoardSocketTest, AReceiverInANestedEventLoopStillGetsTheDatagramsAfterIt)
{
    std::vector<std::string> nested;
    int depth = 0;
    QEventLoop* modal = nullptr;
    peer.onReceive = [&](const std::string& bytes) {
        if (depth > 0) {
            nested.push_back(bytes);
            if (nested.size() == 1)
                SendRaw("third", port);
            else
                modal->quit();
            return;
        }
        // As a modal window would: the datagram already queued behind this
        // one, and one that arrives only now, must both come through.
        QEventLoop loop;
        modal = &loop;
        QTimer::singleShot(kWaitMs, &loop, &QEventLoop::quit);
        ++depth;
        loop.exec();
        --depth;
    };
    SendRaw("first", port);
    SendRaw("second", port);
    ASSERT_TRUE(peer.WaitForCount(3));
    EXPECT_EQ(nested, (std::vector<std::string>{"second", "third"}));
    EXPECT_EQ(depth, 0);
}

TEST_F(CBoardSocketTest, ABurstOfThreeHundredDatagramsArrivesComplete)
{
    constexpr int kBurst = 300;
    for (int i = 0; i < kBurst; ++i) {
        const std::string address = "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
        ASSERT_GT(sender.SendText(Wire(2, address, "pc" + std::to_string(i)), kLoopback), 0);
    }
    ASSERT_TRUE(peer.WaitForCount(kBurst)) << peer.received.size();
    std::set<std::string> addresses;
    for (const std::string& bytes : peer.received)
        addresses.insert(DatagramFormat::Parse(bytes)->sender.address);
    EXPECT_EQ(addresses.size(), static_cast<size_t>(kBurst));
}

TEST_F(CBoardSocketTest, HostNamesAreLookedUpAFailedLookupUsesTheFallbackAndNoTargetBroadcasts)
{
    const std::string viaName = Wire(5, "10.0.0.2", "by name");
    const std::string viaFallback = Wire(5, "10.0.0.2", "by fallback");
    const std::string lost = Wire(5, "10.0.0.2", "lost");
    const std::string hello = Wire(1, "10.0.0.2", "B");
    const bool broadcast = sender.SendText(hello, {}) >= 0; // false without a route for the broadcast address
    EXPECT_EQ(sender.SendText(viaName, "localhost"), static_cast<int>(viaName.size()));
    EXPECT_EQ(sender.SendText(viaFallback, "no-such-host.invalid", kLoopback), static_cast<int>(viaFallback.size()));
    EXPECT_EQ(sender.SendText(lost, "other-host.invalid"), static_cast<int>(lost.size()));

    // Other programs on this machine may send to the same port number: look for ours.
    auto arrived = [&](const std::string& wire) {
        return std::count(peer.received.begin(), peer.received.end(), wire);
    };
    const auto allArrived = [&] {
        return arrived(viaName) > 0 && arrived(viaFallback) > 0 && (!broadcast || arrived(hello) > 0);
    };
    ASSERT_TRUE(QTest::qWaitFor(allArrived, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Has("send failed kind=5 target=other-host.invalid"); }, kWaitMs));
    EXPECT_EQ(arrived(viaName), 1);
    EXPECT_EQ(arrived(viaFallback), 1);
    EXPECT_EQ(arrived(lost), 0);
    EXPECT_TRUE(log.Has("sent kind=5 target=localhost(127.0.0.1) length=" + std::to_string(viaName.size())));
    EXPECT_TRUE(log.Has("sent kind=5 target=no-such-host.invalid(127.0.0.1) length=" +
                        std::to_string(viaFallback.size())));
}

TEST_F(CBoardSocketTest, DatagramsToMembersLeaveInTheOrderGivenAndThoseWaitingForALookupGoAtOnceOnClosing)
{
    std::map<std::string, HostLookup::Answer> lookups;
    sender.SetLookup([&](const std::string& host, HostLookup::Answer answer) { lookups[host] = std::move(answer); });
    std::vector<std::string> wires;
    for (const char* text : {"slow", "fast", "dotted", "at close", "lost"})
        wires.push_back(Wire(5, "10.0.0.2", text));
    sender.SendText(wires[0], "slow-pc", kLoopback);
    sender.SendText(wires[1], "fast-pc", kLoopback);
    sender.SendText(wires[2], kLoopback);
    lookups.at("fast-pc")(kLoopback);
    EXPECT_FALSE(log.Has("sent kind=5 ", true)) << "sent before the lookup ahead of it ended";
    lookups.at("slow-pc")({}); // no address: the fallback
    EXPECT_TRUE(log.Has("sent kind=5 target=slow-pc(127.0.0.1) length=" + std::to_string(wires[0].size())));

    // Closing does not wait for the resolver, and what it answers later is dropped.
    sender.SendText(wires[3], "silent-pc", kLoopback);
    sender.SendText(wires[4], "unknown-pc");
    sender.Close();
    EXPECT_TRUE(log.Has("send failed kind=5 target=unknown-pc"));
    lookups.at("silent-pc")(kLoopback);
    EXPECT_FALSE(log.Has("send failed kind=5 target=silent-pc", true));
    ASSERT_TRUE(peer.WaitForCount(4));
    EXPECT_EQ(peer.received, std::vector<std::string>(wires.begin(), wires.begin() + 4));
}

TEST_F(CBoardSocketTest, AReceiverMayCloseOrDeleteTheSocket)
{
    peer.onReceive = [&](const std::string&) { peer.socket.Close(); };
    SendRaw("first", port);
    SendRaw("second", port);
    ASSERT_TRUE(peer.WaitForCount(1));
    QTest::qWait(0); // runs the dispatch that was posted before the close
    EXPECT_EQ(peer.received, std::vector<std::string>{"first"});

    int deliveries = 0;
    std::unique_ptr<CBoardSocket> doomed;
    doomed = std::make_unique<CBoardSocket>([&](const char*, size_t) {
        ++deliveries;
        doomed.reset();
    });
    ASSERT_TRUE(doomed->Open(port, false));
    SendRaw("first", port);
    SendRaw("second", port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return deliveries > 0; }, kWaitMs));
    QTest::qWait(0);
    EXPECT_EQ(deliveries, 1);
}

} // namespace
