#pragma once

#include "net/Datagram.h"

#include <QDateTime>
#include <QDialog>

#include <functional>

class PeerMessenger;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// Shows one received direct message, covered by a button until the user asks
// to read it; the reply button opens the send window with the sender chosen.
class CReceiveDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kTemplateWidth = 218;
    static constexpr int kTemplateHeight = 215;

    using Clock = std::function<QDateTime()>;

    CReceiveDlg(PeerMessenger& messenger, const Datagram& received, QWidget* parent = nullptr);

    // The local time read when the window opens (default: the system clock).
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    const Datagram& Received() const { return received_; }

    void OnReveal();
    void OnReply();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitDialog();
    void Layout();

    PeerMessenger& messenger_;
    Datagram received_;
    Clock clock_;
    QGroupBox* information_;
    QLabel* senderLine_;
    QLabel* dateLine_;
    QPlainTextEdit* messageText_;
    QPushButton* arrivalButton_;
    QPushButton* closeButton_;
    QPushButton* replyButton_;
    bool initialised_ = false;
};
