#pragma once

#include "net/Datagram.h"

#include <QDateTime>
#include <QObject>

#include <deque>
#include <vector>

class CReceiveDlg;
class PeerMessenger;
class QWidget;

// Opens a receive window for each direct message without running a nested
// event loop. A flood of messages must not bury the desktop in windows, so
// only a few are open at once; the others wait, in order of arrival, until
// one closes. The windows are modal to their owner only, so that the
// notification area icon stays usable while they are open.
class ReceiveWindowQueue : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxOpenWindows = 8;
    // Beyond this a flood is dropped rather than exhausting memory.
    static constexpr int kMaxWaiting = 10000;

    // owner: the main window, parent of the receive windows.
    explicit ReceiveWindowQueue(PeerMessenger& messenger, QWidget* owner = nullptr);
    ~ReceiveWindowQueue() override;

    void Show(const Datagram& received);
    // At exit: the waiting messages are dropped, the open windows closed,
    // and no window opens any more.
    void CloseAll();

    int OpenCount() const { return static_cast<int>(open_.size()); }
    int PendingCount() const { return static_cast<int>(pending_.size()); }
    // In the order they were opened.
    const std::vector<CReceiveDlg*>& OpenWindows() const { return open_; }

private:
    void Open(const Datagram& received, const QDateTime& arrival);
    void OnFinished(CReceiveDlg* window);

    PeerMessenger& messenger_;
    QWidget* owner_;
    bool closed_ = false;
    std::vector<CReceiveDlg*> open_;
    struct Waiting
    {
        Datagram received;
        QDateTime arrival; // shown as the time of receipt when its window opens later
    };
    std::deque<Waiting> pending_;
};
