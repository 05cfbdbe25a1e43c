#include "CliNetwork.h"
#include "core/RecordField.h"

#include "CliCommands.h"
#include "CliConfig.h"
#include "CliSettings.h"
#include "CliText.h"
#include "CliUsage.h"
#include "core/HostIdentity.h"
#include "net/CBoardSocket.h"
#include "net/DatagramFormat.h"
#include "net/DatagramLog.h"
#include "net/HostLookup.h"
#include "net/OwnAddress.h"
#include "process/TerminationSignals.h"
#include "settings/ExtraTargets.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <ostream>

namespace {

constexpr char kFieldSeparator = '\t';

// A dotted IPv4 address for the host: as given when it is one, else the
// first of a lookup; empty when there is none.
std::string ResolveIPv4(const std::string& host)
{
    const QString name = QString::fromStdString(host);
    if (QHostAddress address(name); address.protocol() == QAbstractSocket::IPv4Protocol)
        return address.toString().toStdString();
    return HostLookup::Resolve(host, false);
}

} // namespace

CliNetwork::CliNetwork(std::ostream& out, std::ostream& err, CliSettings& settings)
    : out_(out), err_(err), settings_(settings)
{
}

CliNetwork::~CliNetwork() = default;

int CliNetwork::Fail(const std::string& text)
{
    err_ << CliUsage::kProgramName << ": " << text << '\n';
    return CliCommands::kExitFailure;
}

void CliNetwork::StartApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    static std::string programName = CliUsage::kProgramName;
    argv_[0] = programName.data();
    application_ = std::make_unique<QCoreApplication>(argc_, argv_);
}

const PeerRecord& CliNetwork::Own()
{
    if (!own_) {
        own_ = std::make_unique<PeerRecord>();
        const std::string host = HostIdentity::HostName();
        std::string user = settings_.UserName();
        if (user.empty())
            user = CliText::ToBoard(HostIdentity::LoginName(), "login name", err_);
        RecordField::Set(own_->address, OwnAddress::Find(host));
        RecordField::Set(own_->host, CliText::ToBoard(host, "host name", err_));
        RecordField::Set(own_->user, user);
    }
    return *own_;
}

int32_t CliNetwork::Port(const CliRequest& request)
{
    if (request.port)
        return *request.port;
    const int32_t stored = settings_.Port();
    return stored > 0 ? stored : GroupSettings::kDefaultPort;
}

Status CliNetwork::AnnounceChanged(int32_t number, const CliRequest& request)
{
    return Broadcast(DatagramKind::BoardChanged, std::to_string(number), request);
}

Status CliNetwork::AnnounceDeleted(const CliRequest& request)
{
    return Broadcast(DatagramKind::BoardDeleted, Own().user, request);
}

Status CliNetwork::Broadcast(DatagramKind kind, const std::string& text, const CliRequest& request)
{
    StartApplication();
    const int32_t port = Port(request);
    CBoardSocket socket(nullptr);
    // Members on other subnets; the tool waits for their names' lookups.
    std::vector<std::string> targets;
    SettingsStore store;
    GroupSettings settings;
    if (store.ReadGroupSettings(settings) == SettingsStore::kRead) {
        for (const std::string& target : store.ReadExtraTargets(RecordField::Text(settings.groupName))) {
            const std::string address = ExtraTargets::IsDottedIPv4(target) ? target : HostLookup::Resolve(target, false);
            if (!address.empty())
                targets.push_back(address);
        }
    }
    socket.SetExtraTargets(targets);
    if (!socket.OpenForSending(port) ||
        socket.SendText(DatagramFormat::Format(Own(), static_cast<int32_t>(kind), text), {}) < 0)
        return Status::Refused("cannot broadcast to port " + std::to_string(port));
    return {};
}

int CliNetwork::Send(const CliRequest& request)
{
    StartApplication();
    // Line breaks travel as CR LF, as the members' message windows hold them.
    std::string text;
    for (size_t i = 0; i < request.text.size(); ++i) {
        if (request.text[i] == '\n' && (i == 0 || request.text[i - 1] != '\r'))
            text += '\r';
        text += request.text[i];
    }
    const std::string wire = DatagramFormat::Format(Own(), static_cast<int32_t>(DatagramKind::DirectMessage),
                                                    CliText::ToBoard(text, "text", err_));
    if (wire.size() > CBoardSocket::kMaxDatagramSize) {
        return Fail("the message does not fit in one datagram: " + std::to_string(wire.size()) +
                    " bytes with the sender's fields, at most " + std::to_string(CBoardSocket::kMaxDatagramSize));
    }
    const std::string address = ResolveIPv4(request.host);
    if (address.empty())
        return Fail("cannot find the address of the host '" + request.host + "'");
    const int32_t port = Port(request);
    CBoardSocket socket(nullptr);
    if (!socket.OpenForSending(port) || socket.SendText(wire, address) < 0)
        return Fail("cannot send to " + address + " on port " + std::to_string(port));
    return CliCommands::kExitSuccess;
}

int CliNetwork::Listen(const CliRequest& request)
{
    StartApplication();
    const int32_t port = Port(request);
    const PeerRecord& own = Own();
    const std::string reply =
        DatagramFormat::Format(own, static_cast<int32_t>(DatagramKind::HelloReply), own.host);
    QEventLoop loop;
    int32_t received = 0;
    CBoardSocket socket([&](const char* bytes, size_t length) {
        const std::optional<Datagram> parsed = DatagramFormat::Parse(std::string_view(bytes, length));
        if (!parsed) {
            DatagramLog::Malformed(length);
            return;
        }
        const Datagram& datagram = *parsed;
        DatagramLog::Received(datagram);
        Print(datagram);
        // Answered as the program answers, so that members learn of us; a
        // Hello from this computer's own host name is never answered.
        // An empty address is no target: the answer would go to everyone.
        if (datagram.kind == static_cast<int32_t>(DatagramKind::Hello) &&
            std::strcmp(datagram.sender.host, own.host) != 0 && datagram.sender.address[0] != '\0')
            socket.SendText(reply, datagram.sender.address);
        if (request.count && ++received >= *request.count)
            loop.quit();
    });
    if (!(port == 0 ? socket.OpenOnAnyPort() : socket.Open(port, false)))
        return Fail("cannot listen on port " + std::to_string(port) + ": it may be in use by another program");

    // A listener stopped by the user still ends with its output complete.
    const TerminationSignals stop({SIGINT, SIGTERM}, [&loop] { loop.quit(); });
    if (request.timeoutSeconds) {
        const auto limit = std::chrono::milliseconds(std::min<int64_t>(*request.timeoutSeconds * 1000LL, INT_MAX));
        QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    }
    err_ << CliUsage::kProgramName << ": listening on port " << socket.Port() << std::endl;
    loop.exec();
    return CliCommands::kExitSuccess;
}

void CliNetwork::Print(const Datagram& datagram)
{
    out_ << datagram.kind;
    for (const std::string& field : {std::string(datagram.sender.address), std::string(datagram.sender.host),
                                     std::string(datagram.sender.user), datagram.text})
        out_ << kFieldSeparator << CliText::EscapeField(CliText::ToTerminal(field));
    out_ << '\n' << std::flush;
}
