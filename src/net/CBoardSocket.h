#pragma once

#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

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
    // bytes: the datagram followed by a zero byte (not counted in length).
    using Receiver = std::function<void(const char* bytes, size_t length)>;

    explicit CBoardSocket(Receiver receiver, QObject* parent = nullptr);
    ~CBoardSocket() override;

    // applicationMaximum is capped at kMaxDatagramSize.
    bool Open(int32_t port, bool dontRoute, uint16_t applicationMaximum = kMaxDatagramSize);
    // target: dotted address, host name, or empty for 255.255.255.255. A host
    // name is looked up without blocking; when the lookup fails or is slow the
    // datagram goes to fallbackAddress if one is given. Bytes sent (for a
    // name, bytes queued), or -1.
    virtual int SendText(std::string_view text, std::string_view target,
                         std::string_view fallbackAddress = {});
    void Close();

    bool IsOpen() const;
    int32_t Port() const { return port_; }
    uint16_t MaxDatagramSize() const { return maxDatagramSize_; }

private:
    void OnReadyRead();
    void DispatchNext();
    int SendTo(const std::string& bytes, const std::string& address);
    void SendAfterLookup(const std::string& bytes, const std::string& host, const std::string& fallback);

    Receiver receiver_;
    QUdpSocket* socket_ = nullptr;
    uint16_t maxDatagramSize_ = kMaxDatagramSize;
    int32_t port_ = 0;
    std::deque<std::string> received_;
    bool dispatchPosted_ = false;
};
