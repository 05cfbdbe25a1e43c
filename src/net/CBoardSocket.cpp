#include "net/CBoardSocket.h"

#include "core/Cp932Codec.h"
#include "net/DatagramFormat.h"
#include "net/DatagramLog.h"
#include "net/NetLog.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/socket.h>

namespace {

constexpr int32_t kHighestPort = 65535;
// Room for a burst of several hundred datagrams while the user-interface
// thread is busy; the kernel caps what it grants.
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

bool SetOption(int descriptor, int option, int value)
{
    return ::setsockopt(descriptor, SOL_SOCKET, option, &value, sizeof value) == 0;
}

void EnlargeReceiveBuffer(int descriptor)
{
    // SO_RCVBUFFORCE passes the system limit but needs CAP_NET_ADMIN.
    if (!SetOption(descriptor, SO_RCVBUFFORCE, kReceiveBufferBytes))
        SetOption(descriptor, SO_RCVBUF, kReceiveBufferBytes);
    int granted = 0;
    socklen_t size = sizeof granted;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &granted, &size) == 0)
        qCInfo(lcNet).noquote() << QStringLiteral("receive buffer bytes=%1").arg(granted);
}

QHostAddress DottedAddress(std::string_view text)
{
    QHostAddress address;
    if (text.empty() || !address.setAddress(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()))) ||
        address.protocol() != QAbstractSocket::IPv4Protocol)
        return {};
    return address;
}

std::string LookedUpTarget(const std::string& host, const QHostAddress& address)
{
    return host + "(" + address.toString().toStdString() + ")";
}

} // namespace

// A datagram to one member, waiting its turn.
struct CBoardSocket::Outgoing
{
    std::string bytes;
    std::string target; // as given: a host name or a dotted address
    std::string fallback;
    QHostAddress address; // once known
    bool named = false;   // the target is a host name
    bool settled = false; // its address is known, or its lookup has ended or given up
};

CBoardSocket::CBoardSocket(Receiver receiver, QObject* parent)
    : QObject(parent), receiver_(std::move(receiver)), hostLookup_(new HostLookup(this))
{
    lookup_ = [this](const std::string& host, HostLookup::Answer answer) {
        hostLookup_->Start(Cp932Codec::ToUtf8(host), std::move(answer));
    };
}

CBoardSocket::~CBoardSocket()
{
    CBoardSocket::Close();
}

bool CBoardSocket::Open(int32_t port, bool dontRoute, uint16_t applicationMaximum)
{
    return Create(port, port, dontRoute, applicationMaximum, false);
}

bool CBoardSocket::OpenForSending(int32_t port, uint16_t applicationMaximum)
{
    return Create(0, port, false, applicationMaximum, false);
}

bool CBoardSocket::OpenOnAnyPort(uint16_t applicationMaximum)
{
    return Create(0, 0, false, applicationMaximum, true);
}

bool CBoardSocket::Create(int32_t bindPort, int32_t port, bool dontRoute, uint16_t applicationMaximum, bool anyPort)
{
    CBoardSocket::Close();
    maxDatagramSize_ = std::min(applicationMaximum, kMaxDatagramSize);
    port_ = port;
    listening_ = bindPort != 0 || anyPort;

    QString reason;
    auto socket = std::make_unique<QUdpSocket>();
    if (!anyPort && (port <= 0 || port > kHighestPort)) {
        reason = QStringLiteral("no such port");
    } else if (!socket->bind(QHostAddress::AnyIPv4, static_cast<quint16>(bindPort),
                             QAbstractSocket::DontShareAddress)) {
        reason = socket->errorString();
    } else if (!SetOption(static_cast<int>(socket->socketDescriptor()), SO_BROADCAST, 1) ||
               !SetOption(static_cast<int>(socket->socketDescriptor()), SO_DONTROUTE, dontRoute ? 1 : 0)) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (!reason.isEmpty()) {
        if (listening_)
            qCInfo(lcNet, "socket open failed port=%d: %s", port, qUtf8Printable(reason));
        listening_ = false;
        return false;
    }

    socket_ = socket.release();
    socket_->setParent(this);
    if (anyPort)
        port_ = socket_->localPort();
    if (listening_) {
        EnlargeReceiveBuffer(static_cast<int>(socket_->socketDescriptor()));
        connect(socket_, &QUdpSocket::readyRead, this, &CBoardSocket::OnReadyRead);
        qCInfo(lcNet, "socket opened port=%d", port_);
    }
    return true;
}

void CBoardSocket::Close()
{
    SendWaiting();
    received_.clear();
    if (socket_ != nullptr) {
        socket_->close();
        delete socket_;
        socket_ = nullptr;
        if (listening_)
            qCInfo(lcNet, "socket closed port=%d", port_);
    }
    listening_ = false;
    port_ = 0;
}

bool CBoardSocket::IsOpen() const
{
    return socket_ != nullptr;
}

// Reads everything waiting: the socket does not signal again for datagrams
// that arrive while this runs, and the receiver must not be called from here
// (it may run a nested event loop).
void CBoardSocket::OnReadyRead()
{
    while (socket_ != nullptr && socket_->hasPendingDatagrams()) {
        std::string buffer(maxDatagramSize_ + 2u, '\0');
        // One byte more than allowed tells a datagram that was too large.
        const qint64 got = socket_->readDatagram(buffer.data(), maxDatagramSize_ + 1);
        if (got < 0)
            break;
        if (got == 0 || got > maxDatagramSize_)
            continue;
        buffer.resize(static_cast<size_t>(got));
        received_.push_back(std::move(buffer));
    }
    PostDispatch();
}

void CBoardSocket::PostDispatch()
{
    if (dispatchPosted_ || received_.empty())
        return;
    dispatchPosted_ = true;
    QMetaObject::invokeMethod(this, [this] { DispatchNext(); }, Qt::QueuedConnection);
}

void CBoardSocket::DispatchNext()
{
    dispatchPosted_ = false;
    if (received_.empty())
        return;
    const std::string bytes = std::move(received_.front());
    received_.pop_front();
    // Posted first: the receiver may run a nested event loop, or delete us.
    PostDispatch();
    if (receiver_)
        receiver_(bytes.c_str(), bytes.size());
}

int CBoardSocket::SendText(std::string_view text, std::string_view target, std::string_view fallbackAddress)
{
    const std::string shownTarget = target.empty() ? DatagramLog::kBroadcastTarget : std::string(target);
    if (socket_ == nullptr || text.size() > maxDatagramSize_) {
        DatagramLog::SendFailed(DatagramFormat::Kind(text), shownTarget);
        return -1;
    }
    if (target.empty()) {
        const int sent = SendBroadcast(std::string(text), shownTarget);
        SendExtra(std::string(text));
        return sent;
    }
    const QHostAddress address = DottedAddress(target);
    if (!address.isNull() && outgoing_.empty())
        return SendTo(std::string(text), address, shownTarget);
    auto outgoing = std::make_shared<Outgoing>();
    outgoing->bytes = text;
    outgoing->target = shownTarget;
    outgoing->fallback = fallbackAddress;
    outgoing->address = address;
    outgoing->named = address.isNull();
    outgoing->settled = !outgoing->named;
    outgoing_.push_back(outgoing);
    if (outgoing->named)
        LookUp(outgoing);
    return static_cast<int>(text.size());
}

int CBoardSocket::SendTo(const std::string& bytes, const QHostAddress& address, const std::string& shownTarget)
{
    const int32_t kind = DatagramFormat::Kind(bytes);
    const qint64 sent = socket_ == nullptr
                            ? -1
                            : socket_->writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), address,
                                                     static_cast<quint16>(port_));
    if (sent < 0) {
        DatagramLog::SendFailed(kind, shownTarget);
        return -1;
    }
    DatagramLog::Sent(kind, shownTarget, static_cast<size_t>(sent));
    return static_cast<int>(sent);
}

// Linux refuses the limited broadcast on a network without a default route;
// the directed broadcast of each interface still reaches everyone there.
int CBoardSocket::SendBroadcast(const std::string& bytes, const std::string& shownTarget)
{
    // Where broadcasts must stay on one network (a test on a machine of the
    // office, a subnet of its own), an address given in the environment
    // takes the place of everyone.
    if (const QHostAddress only(qEnvironmentVariable(kBroadcastVariable));
        !only.isNull() && only.protocol() == QAbstractSocket::IPv4Protocol)
        return SendTo(bytes, only, shownTarget + "(" + only.toString().toStdString() + ")");
    const qint64 sent = socket_->writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()),
                                               QHostAddress(QHostAddress::Broadcast), static_cast<quint16>(port_));
    if (sent >= 0) {
        DatagramLog::Sent(DatagramFormat::Kind(bytes), shownTarget, static_cast<size_t>(sent));
        return static_cast<int>(sent);
    }
    int result = -1;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            !(flags & QNetworkInterface::CanBroadcast) || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol || entry.broadcast().isNull())
                continue;
            const std::string directed = shownTarget + "(" + entry.broadcast().toString().toStdString() + ")";
            result = std::max(result, SendTo(bytes, entry.broadcast(), directed));
        }
    }
    if (result < 0)
        DatagramLog::SendFailed(DatagramFormat::Kind(bytes), shownTarget);
    return result;
}

// The lookup's answer and the time limit race; whichever comes first decides.
void CBoardSocket::SetExtraTargets(const std::vector<std::string>& targets)
{
    extraTargets_ = targets;
    for (const std::string& target : extraTargets_) {
        if (DottedAddress(target).isNull())
            Resolve(target, {}); // known before the first broadcast, where the resolver is quick
    }
}

void CBoardSocket::SendExtra(const std::string& bytes)
{
    for (const std::string& target : extraTargets_) {
        if (const QHostAddress address = DottedAddress(target); !address.isNull()) {
            SendTo(bytes, address, target);
        } else if (const auto known = resolved_.find(target); known != resolved_.end()) {
            SendTo(bytes, DottedAddress(known->second), target + "(" + known->second + ")");
            Resolve(target, {});
        } else {
            Resolve(target, bytes);
        }
    }
}

// Looks the name up again; bytes, if any, go to the address found.
void CBoardSocket::Resolve(const std::string& name, const std::string& bytes)
{
    lookup_(name, [this, name, bytes](const std::string& address) {
        if (address.empty()) {
            if (!bytes.empty())
                DatagramLog::SendFailed(DatagramFormat::Kind(bytes), name);
            return;
        }
        resolved_[name] = address;
        if (!bytes.empty() && socket_ != nullptr)
            SendTo(bytes, DottedAddress(address), name + "(" + address + ")");
    });
}

void CBoardSocket::LookUp(const std::shared_ptr<Outgoing>& outgoing)
{
    // Nothing is left to do once the datagram is gone: sent, or the socket with it.
    const std::weak_ptr<Outgoing> weak = outgoing;
    auto settle = [this, weak](const std::string& address) {
        const std::shared_ptr<Outgoing> waiting = weak.lock();
        if (!waiting || waiting->settled)
            return;
        waiting->settled = true;
        waiting->address = DottedAddress(address);
        SendSettled();
    };
    QTimer::singleShot(kLookupTimeoutMs, this, [settle] { settle({}); });
    lookup_(outgoing->target, settle);
}

void CBoardSocket::SendSettled()
{
    while (!outgoing_.empty() && outgoing_.front()->settled) {
        const std::shared_ptr<Outgoing> next = outgoing_.front();
        outgoing_.pop_front();
        Deliver(*next);
    }
}

void CBoardSocket::SendWaiting()
{
    while (!outgoing_.empty()) {
        const std::shared_ptr<Outgoing> next = outgoing_.front();
        outgoing_.pop_front();
        next->settled = true;
        Deliver(*next);
    }
}

void CBoardSocket::Deliver(const Outgoing& outgoing)
{
    const QHostAddress address = outgoing.address.isNull() ? DottedAddress(outgoing.fallback) : outgoing.address;
    if (address.isNull())
        DatagramLog::SendFailed(DatagramFormat::Kind(outgoing.bytes), outgoing.target);
    else
        SendTo(outgoing.bytes, address, outgoing.named ? LookedUpTarget(outgoing.target, address) : outgoing.target);
}
