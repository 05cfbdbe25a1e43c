#pragma once

#include "net/HostLookup.h"

#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QHostAddress;
class QUdpSocket;

// The program's one datagram endpoint: bound to the port on every local
// address, broadcast allowed, sending to the same port number at the target.
// Received datagrams are handed to the receiver one per event-loop turn, so a
// receiver that opens a modal window does not hold up the ones after it.
class CBoardSocket : public QObject
{
    Q_OBJECT

public:
    static constexpr uint16_t kMaxDatagramSize = 1024;
    // A dotted IPv4 address in this variable receives every broadcast instead
    // of the network.
    static constexpr const char* kBroadcastVariable = "QUORLBOARD_BROADCAST_ADDRESS";
    // How long a host name lookup may take before the fallback address is used.
    static constexpr int kLookupTimeoutMs = 1500;
    // bytes: the datagram followed by a zero byte (not counted in length).
    using Receiver = std::function<void(const char* bytes, size_t length)>;
    // Looks a host name (CP932) up; answer runs later on the socket's thread.
    using Lookup = std::function<void(const std::string& host, HostLookup::Answer answer)>;

    explicit CBoardSocket(Receiver receiver, QObject* parent = nullptr);
    ~CBoardSocket() override;

    // applicationMaximum is capped at kMaxDatagramSize. False when the port
    // cannot be bound, also when another socket holds it.
    virtual bool Open(int32_t port, bool dontRoute, uint16_t applicationMaximum = kMaxDatagramSize);
    // For sending only, to the given port: bound to a port the system picks,
    // so it works beside a program that listens on the port.
    bool OpenForSending(int32_t port, uint16_t applicationMaximum = kMaxDatagramSize);
    // Listens on a port the system picks; Port() tells which. For tests: a
    // port found free beforehand may be taken before it is bound.
    bool OpenOnAnyPort(uint16_t applicationMaximum = kMaxDatagramSize);
    // target: dotted address, host name, or empty for 255.255.255.255. A host
    // name is looked up without blocking; when the lookup fails or is slow the
    // datagram goes to fallbackAddress if one is given. Datagrams to members
    // leave in the order given, each once the lookups before it have ended.
    // Bytes sent (or queued), or -1.
    virtual int SendText(std::string_view text, std::string_view target,
                         std::string_view fallbackAddress = {});
    // Every broadcast also goes to each of these: dotted addresses (directed
    // broadcasts of other subnets, single members) and host names, looked up
    // without blocking. A name's last address is kept, so that a broadcast
    // at exit still reaches it; the first send to a name waits for its lookup.
    void SetExtraTargets(const std::vector<std::string>& targets);
    bool HasExtraTargets() const { return !extraTargets_.empty(); }
    // Sends to the extra destinations only.
    void SendExtra(const std::string& bytes);

    // Sends what still waits for a lookup at once, in order, to the fallback
    // address where the lookup has not answered.
    void SendWaiting();
    // Sends what waits, then drops pending received datagrams; the port
    // becomes 0.
    virtual void Close();

    virtual bool IsOpen() const;
    int32_t Port() const { return port_; }
    uint16_t MaxDatagramSize() const { return maxDatagramSize_; }

    // Replaces the resolver (tests).
    void SetLookup(Lookup lookup) { lookup_ = std::move(lookup); }

private:
    struct Outgoing;

    // anyPort: bound to a port the system picks, and listening on it.
    bool Create(int32_t bindPort, int32_t port, bool dontRoute, uint16_t applicationMaximum, bool anyPort);
    void OnReadyRead();
    void PostDispatch();
    void DispatchNext();
    int SendBroadcast(const std::string& bytes, const std::string& shownTarget);
    int SendTo(const std::string& bytes, const QHostAddress& address, const std::string& shownTarget);
    void LookUp(const std::shared_ptr<Outgoing>& outgoing);
    void SendSettled();
    void Deliver(const Outgoing& outgoing);
    void Resolve(const std::string& name, const std::string& bytes);

    Receiver receiver_;
    QUdpSocket* socket_ = nullptr;
    uint16_t maxDatagramSize_ = kMaxDatagramSize;
    int32_t port_ = 0;
    bool listening_ = false;
    std::deque<std::string> received_;
    bool dispatchPosted_ = false;
    std::deque<std::shared_ptr<Outgoing>> outgoing_;
    HostLookup* hostLookup_;
    Lookup lookup_;
    std::vector<std::string> extraTargets_;
    std::map<std::string, std::string> resolved_; // host name → last dotted address
};
