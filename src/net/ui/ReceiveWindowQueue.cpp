#include "net/ui/ReceiveWindowQueue.h"

#include "core/Cp932Codec.h"
#include "net/ui/CReceiveDlg.h"
#include "net/NetLog.h"
#include "core/RecordField.h"

#include <algorithm>

ReceiveWindowQueue::ReceiveWindowQueue(PeerMessenger& messenger, QWidget* owner)
    : QObject(owner), messenger_(messenger), owner_(owner)
{
}

ReceiveWindowQueue::~ReceiveWindowQueue()
{
    for (CReceiveDlg* window : open_) {
        window->disconnect(this);
        delete window;
    }
}

void ReceiveWindowQueue::Show(const Datagram& received)
{
    if (closed_)
        return;
    if (OpenCount() < kMaxOpenWindows) {
        Open(received, QDateTime());
    } else if (PendingCount() < kMaxWaiting) {
        pending_.push_back({received, QDateTime::currentDateTime()});
    } else {
        qCWarning(lcNet, "receive window queue full: message from host=%s dropped",
                  Cp932Codec::ToUtf8(RecordField::Text(received.sender.host)).c_str());
    }
}

void ReceiveWindowQueue::Open(const Datagram& received, const QDateTime& arrival)
{
    auto* window = new CReceiveDlg(messenger_, received, owner_);
    if (arrival.isValid())
        window->SetClock([arrival] { return arrival; });
    open_.push_back(window);
    connect(window, &QDialog::finished, this, [this, window] { OnFinished(window); });
    // Gone with its owner, which may happen before this queue goes.
    connect(window, &QObject::destroyed, this, [this, window] { std::erase(open_, window); });
    window->setWindowModality(Qt::WindowModal);
    window->show();
    window->raise();
    window->activateWindow();
    qCInfo(lcNet, "receive window opened host=%s user=%s length=%d",
           Cp932Codec::ToUtf8(RecordField::Text(received.sender.host)).c_str(),
           Cp932Codec::ToUtf8(RecordField::Text(received.sender.user)).c_str(), static_cast<int>(received.text.size()));
}

void ReceiveWindowQueue::CloseAll()
{
    closed_ = true;
    if (!pending_.empty())
        qCInfo(lcNet, "receive window queue closed: %d waiting messages dropped", PendingCount());
    pending_.clear();
    for (CReceiveDlg* window : std::vector<CReceiveDlg*>(open_))
        window->reject();
}

void ReceiveWindowQueue::OnFinished(CReceiveDlg* window)
{
    auto it = std::find(open_.begin(), open_.end(), window);
    if (it == open_.end())
        return;
    open_.erase(it);
    window->disconnect(this);
    window->deleteLater();
    if (!closed_ && !pending_.empty()) {
        Waiting next = std::move(pending_.front());
        pending_.pop_front();
        Open(next.received, next.arrival);
    }
}
