#include "CliProcess.h"
#include "CliRunner.h"
#include "core/Cp932Codec.h"
#include "core/HostIdentity.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kLowestStoredPort = 1500;
constexpr int kHighestStoredPort = 60000;
constexpr size_t kMaxDatagram = 1024;

// A UDP socket of the test's own, closed at the end.
class TestSocket
{
public:
    explicit TestSocket(int port = 0) : fd_(::socket(AF_INET, SOCK_DGRAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        address.sin_port = htons(static_cast<uint16_t>(port));
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~TestSocket() { ::close(fd_); }

    bool bound() const { return bound_; }
    int Port() const
    {
        sockaddr_in address{};
        socklen_t size = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        return ntohs(address.sin_port);
    }
    bool SendTo(const std::string& bytes, const char* host, int port)
    {
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, host, &address.sin_addr);
        return ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address), sizeof address) ==
               static_cast<ssize_t>(bytes.size());
    }

private:
    int fd_;
    bool bound_ = false;
};

// Free now; the settings accept it (1500..60000).
int FreePort()
{
    for (;;) {
        const int port = TestSocket().Port();
        if (port >= kLowestStoredPort && port <= kHighestStoredPort)
            return port;
    }
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// The lines a listener printed, each split into its fields.
std::vector<std::vector<std::string>> Printed(const std::string& out)
{
    std::vector<std::vector<std::string>> lines;
    for (const std::string& line : Split(out, '\n')) {
        if (!line.empty())
            lines.push_back(Split(line, '\t'));
    }
    return lines;
}

class CliNetwork : public ::testing::Test
{
protected:
    void SetUp() override { ::setenv("QUORLBOARD_CONFIG_DIR", config.path().c_str(), 1); }

    std::unique_ptr<CliProcess> Listen(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"listen", "--port", std::to_string(port)});
        auto listener = std::make_unique<CliProcess>(args);
        EXPECT_TRUE(listener->WaitForError("listening on port " + std::to_string(port))) << listener->Error();
        return listener;
    }

    TempDir config;
    TempDir dir;
    const int port = FreePort();
    const std::string ownHost = HostIdentity::HostName();
};

TEST_F(CliNetwork, SendDeliversUpTo1024BytesWithTheIdentityOfTheSettings)
{
    const std::string portText = std::to_string(port);
    ASSERT_EQ(CliRunner::Cli({"config", "--folder", dir.path(), "--user", "山田", "--port", portText}).status, 0);
    auto listener = Listen({"--count", "2"});
    const CliRunner::Result sent = CliRunner::Cli({"send", "127.0.0.1", "会議は10:30\tから\n2行目\\"});
    ASSERT_EQ(sent.status, 0) << sent.err;
    ASSERT_TRUE(listener->WaitForOutput("\n"));

    const std::vector<std::string> first = Printed(listener->Output()).at(0);
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(first[0], "5");
    EXPECT_NE(first[1].rfind("127.", 0), 0u) << first[1];
    EXPECT_EQ(first[2], ownHost);
    EXPECT_EQ(first[3], "山田");
    EXPECT_EQ(first[4], "会議は10:30\\tから\\n2行目\\\\");

    // With the sender's fields known, a text can fill the datagram exactly.
    const size_t fields = ("5:" + first[1] + ":" + first[2] + ":" + Cp932Codec::FromUtf8("山田") + ":").size();
    const std::string longest(kMaxDatagram - fields, 'x');
    const CliRunner::Result tooLong = CliRunner::Cli({"send", "127.0.0.1", longest + "x"});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.err.find("1024"), std::string::npos) << tooLong.err;
    ASSERT_EQ(CliRunner::Cli({"send", "127.0.0.1", longest}).status, 0);

    const CliRunner::Result listened = listener->Finish();
    EXPECT_EQ(listened.status, 0) << listened.err;
    const auto lines = Printed(listened.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].at(4), longest);
}

TEST_F(CliNetwork, SendFailsForAHostWithoutAnAddress)
{
    const CliRunner::Result sent =
        CliRunner::Cli({"send", "no-such-host.invalid", "hi", "--port", std::to_string(port)});
    EXPECT_EQ(sent.status, 1);
    EXPECT_NE(sent.err.find("no-such-host.invalid"), std::string::npos) << sent.err;
}

TEST_F(CliNetwork, ListenAnswersAHelloFromAnotherComputerButNotFromItsOwn)
{
    ::setenv("QT_LOGGING_RULES", "quorlboard.net.info=true", 1);
    auto listener = Listen({"--count", "3"});
    ::unsetenv("QT_LOGGING_RULES");
    // The answer goes to the announcer's address on the same port, which is
    // the listener's own: it hears its answer too.
    TestSocket peer;
    ASSERT_TRUE(peer.SendTo("1:127.0.0.3:" + ownHost + ":me:me", "127.0.0.1", port));
    ASSERT_TRUE(peer.SendTo("1:127.0.0.1:otherpc:bob:bob", "127.0.0.1", port));

    const CliRunner::Result listened = listener->Finish();
    EXPECT_EQ(listened.status, 0) << listened.err;
    const auto lines = Printed(listened.out);
    ASSERT_EQ(lines.size(), 3u) << listened.out;
    EXPECT_EQ(lines[0], (std::vector<std::string>{"1", "127.0.0.3", ownHost, "me", "me"}));
    EXPECT_EQ(lines[1], (std::vector<std::string>{"1", "127.0.0.1", "otherpc", "bob", "bob"}));
    ASSERT_EQ(lines[2].size(), 5u);
    EXPECT_EQ(lines[2][0], "2");
    EXPECT_EQ(lines[2][2], ownHost);
    EXPECT_EQ(lines[2][4], ownHost);

    const auto logged = Split(listened.err, '\n');
    std::vector<std::string> replies;
    for (const std::string& line : logged) {
        if (line.find("sent kind=2 ") != std::string::npos)
            replies.push_back(line);
    }
    ASSERT_EQ(replies.size(), 1u) << listened.err;
    EXPECT_NE(replies[0].find("target=127.0.0.1 "), std::string::npos) << replies[0];
}

TEST_F(CliNetwork, AnnouncedPostsAndDeletionsAreBroadcast)
{
    if (!TestSocket().SendTo("probe", "255.255.255.255", port))
        GTEST_SKIP() << "no route for the limited broadcast address on this machine";
    const std::string folder = dir.file("board");
    ASSERT_EQ(CliRunner::Cli({"init", "--folder", folder}).status, 0);
    auto listener = Listen({"--count", "2"});

    const std::string portText = std::to_string(port);
    EXPECT_EQ(CliRunner::Cli({"post", "--folder", folder, "--title", "quiet"}, "x").out, "1\n");
    const CliRunner::Result posted =
        CliRunner::Cli({"post", "--folder", folder, "--title", "told", "--announce", "--port", portText}, "x");
    EXPECT_EQ(posted.status, 0) << posted.err;
    EXPECT_EQ(posted.out, "2\n");
    const CliRunner::Result deleted =
        CliRunner::Cli({"delete", "2", "--folder", folder, "--announce", "--port", portText});
    EXPECT_EQ(deleted.status, 0) << deleted.err;

    const CliRunner::Result listened = listener->Finish();
    EXPECT_EQ(listened.status, 0) << listened.err;
    const auto lines = Printed(listened.out);
    ASSERT_EQ(lines.size(), 2u) << listened.out;
    const std::string user = HostIdentity::LoginName();
    EXPECT_EQ(lines[0].at(0), "3");
    EXPECT_EQ(lines[0].at(2), ownHost);
    EXPECT_EQ(lines[0].at(3), user);
    EXPECT_EQ(lines[0].at(4), "2");
    EXPECT_EQ(lines[1].at(0), "7");
    EXPECT_EQ(lines[1].at(4), user);
}

TEST_F(CliNetwork, ListenRefusesABusyPortAndEndsOnASignalOrTheTimeout)
{
    {
        TestSocket holder(port);
        ASSERT_TRUE(holder.bound());
        const CliRunner::Result busy = CliRunner::Cli({"listen", "--port", std::to_string(port)});
        EXPECT_EQ(busy.status, 1);
        EXPECT_NE(busy.err.find(std::to_string(port)), std::string::npos) << busy.err;
    }
    for (int signalNumber : {SIGINT, SIGTERM}) {
        auto listener = Listen({});
        listener->Signal(signalNumber);
        EXPECT_EQ(listener->Finish().status, 0) << signalNumber;
    }
    EXPECT_EQ(CliRunner::Cli({"listen", "--port", std::to_string(port), "--timeout", "1"}).status, 0);
}

} // namespace
