#include "CliProcess.h"
#include "core/Cp932Codec.h"
#include "core/HostIdentity.h"
#include "net/UdpPeer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

using Fields = std::vector<std::string>;
using Lines = std::vector<Fields>;

class CliNetwork : public ::testing::Test
{
protected:
    void SetUp() override { ::setenv("QUORLBOARD_CONFIG_DIR", config.path().c_str(), 1); }

    // A listener on a port that the system chose, which becomes portText.
    std::unique_ptr<CliProcess> Listen(const std::string& count = "1")
    {
        auto listener = std::make_unique<CliProcess>(std::vector<std::string>{"listen", "--port", "0", "--count", count});
        // The line is its first output; standard error may come in pieces.
        const std::string listening = "listening on port ";
        EXPECT_TRUE(listener->WaitForError(listening) && listener->WaitForError("\n")) << listener->Error();
        const std::string said = listener->Error();
        portText = std::to_string(std::atoi(said.c_str() + said.find(listening) + listening.size()));
        return listener;
    }
    // Each line the listener printed, split into its fields.
    static Lines Printed(const CliProcess::Result& listened)
    {
        EXPECT_EQ(listened.status, 0) << listened.err;
        Lines lines;
        std::istringstream out(listened.out);
        for (std::string line, field; std::getline(out, line);) {
            std::istringstream fields(line);
            for (lines.emplace_back(); std::getline(fields, field, '\t');)
                lines.back().push_back(field);
        }
        return lines;
    }

    TempDir config;
    std::string portText;
    const std::string ownHost = HostIdentity::HostName();
};

TEST_F(CliNetwork, SendDeliversUpTo1024BytesWithTheIdentityOfTheSettings)
{
    auto listener = Listen();
    ASSERT_EQ(CliProcess::Run({"config", "--user", "山田", "--port", portText, "--folder", config.path()}).status, 0);
    ASSERT_EQ(CliProcess::Run({"send", "127.0.0.1", "会議は10:30\tから\n2行目\\"}).status, 0);
    const Lines first = Printed(listener->Finish());
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(first[0].size(), 5u);
    EXPECT_NE(first[0][1].rfind("127.", 0), 0u) << first[0][1]; // its own address, never a loopback one
    // The line break travels as CR LF.
    EXPECT_EQ(first[0], (Fields{"5", first[0][1], ownHost, "山田", "会議は10:30\\tから\\r\\n2行目\\\\"}));

    // With the sender's fields known, a text can fill the datagram exactly.
    const std::string longest(1024 - ("5:" + first[0][1] + ":" + ownHost + ":" + Cp932Codec::FromUtf8("山田") + ":").size(), 'x');
    listener = Listen();
    const CliProcess::Result tooLong = CliProcess::Run({"send", "127.0.0.1", longest + "x", "--port", portText});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.err.find("1024"), std::string::npos) << tooLong.err;
    ASSERT_EQ(CliProcess::Run({"send", "127.0.0.1", longest, "--port", portText}).status, 0);
    EXPECT_EQ(Printed(listener->Finish()), (Lines{{"5", first[0][1], ownHost, "山田", longest}}));

    const CliProcess::Result unknown = CliProcess::Run({"send", "no-such-host.invalid", "hi", "--port", portText});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("no-such-host.invalid"), std::string::npos) << unknown.err;
}

TEST_F(CliNetwork, ListenAnswersAHelloFromAnotherComputerAndHearsItsOwnAnswer)
{
    auto listener = Listen("2");
    ASSERT_TRUE(SendRaw("1:127.0.0.1:other-pc:suzuki:other-pc", std::stoi(portText)));
    const Lines heard = Printed(listener->Finish());
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0], (Fields{"1", "127.0.0.1", "other-pc", "suzuki", "other-pc"}));
    EXPECT_EQ(heard[1].at(0), "2");
    EXPECT_EQ(heard[1].at(2), ownHost);
}

TEST_F(CliNetwork, ListenRefusesABusyPortAndEndsOnASignalOrTheTimeout)
{
    {
        QUdpSocket holder;
        ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, 0));
        const std::string held = std::to_string(holder.localPort());
        const CliProcess::Result busy = CliProcess::Run({"listen", "--port", held});
        EXPECT_EQ(busy.status, 1);
        EXPECT_NE(busy.err.find(held), std::string::npos) << busy.err;
    }
    for (int signalNumber : {SIGINT, SIGTERM}) {
        auto listener = Listen();
        listener->Signal(signalNumber);
        EXPECT_EQ(listener->Finish().status, 0) << signalNumber;
    }
    EXPECT_EQ(CliProcess::Run({"listen", "--port", "0", "--timeout", "1"}).status, 0);
    // Without settings, the usual port (busy or not).
    EXPECT_NE(CliProcess::Run({"listen", "--timeout", "1"}).err.find(" port 1500"), std::string::npos);
}

} // namespace
