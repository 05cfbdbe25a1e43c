#include "net/CBoardSocket.h"

#include "core/Cp932Codec.h"
#include "net/DatagramFormat.h"
#include "net/DatagramLog.h"
#include "net/NetLog.h"

#include <QHostAddress>
#include <QHostInfo>
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

struct CBoardSocket::PendingLookup
{
    std::string bytes;
    std::string host;
    std::string fallback;
    int lookupId = -1;
    bool done = false;
};

CBoardSocket::CBoardSocket(Receiver receiver, QObject* parent) : QObject(parent), receiver_(std::move(receiver)) {}

CBoardSocket::~CBoardSocket()
{
    CBoardSocket::Close();
}

bool CBoardSocket::Open(int32_t port, bool dontRoute, uint16_t applicationMaximum)
{
    return Create(port, port, dontRoute, applicationMaximum);
}

bool CBoardSocket::OpenForSending(int32_t port, uint16_t applicationMaximum)
{
    return Create(0, port, false, applicationMaximum);
}

bool CBoardSocket::Create(int32_t bindPort, int32_t port, bool dontRoute, uint16_t applicationMaximum)
{
    CBoardSocket::Close();
    maxDatagramSize_ = std::min(applicationMaximum, kMaxDatagramSize);
    port_ = port;
    listening_ = bindPort != 0;

    QString reason;
    auto socket = std::make_unique<QUdpSocket>();
    if (port <= 0 || port > kHighestPort) {
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
    if (listening_) {
        EnlargeReceiveBuffer(static_cast<int>(socket_->socketDescriptor()));
        connect(socket_, &QUdpSocket::readyRead, this, &CBoardSocket::OnReadyRead);
        qCInfo(lcNet, "socket opened port=%d", port);
    }
    return true;
}

void CBoardSocket::Close()
{
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
    std::string bytes(text);
    if (target.empty())
        return SendBroadcast(bytes, shownTarget);
    if (const QHostAddress address = DottedAddress(target); !address.isNull())
        return SendTo(bytes, address, shownTarget);
    LookUp(std::move(bytes), shownTarget, std::string(fallbackAddress));
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

// The lookup's answer and the time limit race; whichever comes first decides,
// the other finds the lookup done.
void CBoardSocket::LookUp(std::string bytes, const std::string& host, const std::string& fallback)
{
    auto pending = std::make_shared<PendingLookup>();
    pending->bytes = std::move(bytes);
    pending->host = host;
    pending->fallback = fallback;
    const int lookupId = QHostInfo::lookupHost(QString::fromStdString(Cp932Codec::ToUtf8(host)), this,
                                               [this, pending](const QHostInfo& info) {
                                                   FinishLookup(*pending, FirstIPv4(info));
                                               });
    pending->lookupId = lookupId;
    QTimer::singleShot(kLookupTimeoutMs, this, [this, pending] {
        if (!pending->done)
            QHostInfo::abortHostLookup(pending->lookupId);
        FinishLookup(*pending, QHostAddress());
    });
}

void CBoardSocket::FinishLookup(PendingLookup& pending, const QHostAddress& address)
{
    if (pending.done)
        return;
    pending.done = true;
    if (!address.isNull()) {
        SendTo(pending.bytes, address, LookedUpTarget(pending.host, address));
    } else if (const QHostAddress fallback = DottedAddress(pending.fallback); !fallback.isNull()) {
        SendTo(pending.bytes, fallback, LookedUpTarget(pending.host, fallback));
    } else {
        DatagramLog::SendFailed(DatagramFormat::Kind(pending.bytes), pending.host);
    }
}

QHostAddress CBoardSocket::FirstIPv4(const QHostInfo& info)
{
    if (info.error() != QHostInfo::NoError)
        return {};
    const QList<QHostAddress> addresses = info.addresses();
    const auto it = std::find_if(addresses.begin(), addresses.end(), [](const QHostAddress& address) {
        return address.protocol() == QAbstractSocket::IPv4Protocol;
    });
    return it == addresses.end() ? QHostAddress() : *it;
}
