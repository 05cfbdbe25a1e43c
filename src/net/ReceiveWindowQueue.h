#pragma once

#include "net/Datagram.h"

#include <QDateTime>
#include <QObject>

#include <deque>
#include <vector>

class CReceiveDlg;
class PeerMessenger;

// Opens a receive window for each direct message without running a nested
// event loop. A flood of messages must not bury the desktop in windows, so
// only a few are open at once; the others wait, in order of arrival, until
// one closes.
class ReceiveWindowQueue : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxOpenWindows = 8;
    // Beyond this a flood is dropped rather than exhausting memory.
    static constexpr int kMaxWaiting = 10000;

    explicit ReceiveWindowQueue(PeerMessenger& messenger, QObject* parent = nullptr);
    ~ReceiveWindowQueue() override;

    void Show(const Datagram& received);

    int OpenCount() const { return static_cast<int>(open_.size()); }
    int PendingCount() const { return static_cast<int>(pending_.size()); }
    // In the order they were opened.
    const std::vector<CReceiveDlg*>& OpenWindows() const { return open_; }

private:
    void Open(const Datagram& received, const QDateTime& arrival);
    void OnFinished(CReceiveDlg* window);

    PeerMessenger& messenger_;
    std::vector<CReceiveDlg*> open_;
    struct Waiting
    {
        Datagram received;
        QDateTime arrival; // shown as the time of receipt when its window opens later
    };
    std::deque<Waiting> pending_;
};
