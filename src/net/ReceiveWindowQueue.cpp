#include "net/ReceiveWindowQueue.h"

#include "core/Cp932Codec.h"
#include "net/CReceiveDlg.h"
#include "net/NetLog.h"
#include "core/RecordField.h"

#include <algorithm>

ReceiveWindowQueue::ReceiveWindowQueue(PeerMessenger& messenger, QObject* parent)
    : QObject(parent), messenger_(messenger)
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
    auto* window = new CReceiveDlg(messenger_, received);
    if (arrival.isValid())
        window->SetClock([arrival] { return arrival; });
    open_.push_back(window);
    connect(window, &QDialog::finished, this, [this, window] { OnFinished(window); });
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    window->activateWindow();
    qCInfo(lcNet, "receive window opened host=%s user=%s length=%d",
           Cp932Codec::ToUtf8(RecordField::Text(received.sender.host)).c_str(),
           Cp932Codec::ToUtf8(RecordField::Text(received.sender.user)).c_str(), static_cast<int>(received.text.size()));
}

void ReceiveWindowQueue::OnFinished(CReceiveDlg* window)
{
    auto it = std::find(open_.begin(), open_.end(), window);
    if (it == open_.end())
        return;
    open_.erase(it);
    window->disconnect(this);
    window->deleteLater();
    if (!pending_.empty()) {
        Waiting next = std::move(pending_.front());
        pending_.pop_front();
        Open(next.received, next.arrival);
    }
}
