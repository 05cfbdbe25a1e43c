#include "net/ui/CReceiveDlg.h"
#include "net/ui/ReceiveWindowQueue.h"

#include "net/ui/CMessageSend.h"
#include "net/ui/CParties.h"
#include "net/FakePeerMessenger.h"
#include "ui/ModalRunner.h"
#include "support/Child.h"
#include "support/TrayStandIn.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class CReceiveDlgTest : public ::testing::Test
{
protected:
    // A reply's send window is shown, looked at and cancelled instead of running modally.
    CReceiveDlgTest()
    {
        messenger.Table().Add(Peer("192.168.0.5", "PC05", "山田"));
        ModalRunner::SetHook([this](QDialog& dialog) {
            auto* send = qobject_cast<CMessageSend*>(&dialog);
            EXPECT_NE(send, nullptr);
            send->show();
            selectedInSendWindow.push_back(Child<CParties>(send, QStringLiteral("recipients"))->SelectedRows());
            send->reject();
            return send->result();
        });
    }
    ~CReceiveDlgTest() override { ModalRunner::SetHook({}); }

    // Opened at 2025-03-07 09:05:03.
    std::unique_ptr<CReceiveDlg> Open(const std::string& text, const std::string& user = "山田")
    {
        Datagram received;
        received.kind = static_cast<int32_t>(DatagramKind::DirectMessage);
        received.sender = Peer("192.168.0.5", "PC05", user);
        received.text = Cp932Codec::FromUtf8(text);
        auto window = std::make_unique<CReceiveDlg>(messenger, received);
        window->SetClock([] { return QDateTime(QDate(2025, 3, 7), QTime(9, 5, 3)); });
        window->show();
        return window;
    }

    FakePeerMessenger messenger;
    std::vector<std::vector<int>> selectedInSendWindow;
};

TEST_F(CReceiveDlgTest, ShowsSenderAndOpeningTimeAndTheTextOnceRevealed)
{
    auto window = Open("一行目\r\n二行目");
    EXPECT_EQ(Child<QLabel>(window, QStringLiteral("senderLine"))->text(), QStringLiteral("FROM : 山田"));
    EXPECT_EQ(Child<QLabel>(window, QStringLiteral("dateLine"))->text(), QStringLiteral("DATE : 2025年03月07日09時05分03秒"));
    auto* arrival = Child<QPushButton>(window, QStringLiteral("arrivalButton"));

    QPlainTextEdit* text = Child<QPlainTextEdit>(window, QStringLiteral("receivedText"));
    EXPECT_FALSE(text->isEnabled());
    arrival->click();
    EXPECT_FALSE(arrival->isVisible());
    EXPECT_TRUE(text->isEnabled() && text->isReadOnly());
    EXPECT_EQ(text->toPlainText(), QStringLiteral("一行目\n二行目"));

    // A name is shown as it was sent, never read as markup.
    auto marked = Open("x", "<b>A&lt;B</b>");
    EXPECT_EQ(Child<QLabel>(marked, QStringLiteral("senderLine"))->text(), QStringLiteral("FROM : <b>A&lt;B</b>"));
    EXPECT_EQ(Child<QLabel>(marked, QStringLiteral("senderLine"))->textFormat(), Qt::PlainText);
}

TEST_F(CReceiveDlgTest, ReplyPresetsTheSenderAndClosesTheReceiveWindowEvenWhenCancelled)
{
    auto window = Open("x");
    Child<QPushButton>(window, QStringLiteral("replyButton"))->click();
    EXPECT_EQ(selectedInSendWindow, std::vector<std::vector<int>>{{1}});
    EXPECT_TRUE(messenger.sent.empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(CReceiveDlgTest, AFloodWaitsInOrderAndNoneIsLostOrBlocksTheNotificationArea)
{
    TrayStandIn tray;
    QWidget owner;
    ReceiveWindowQueue queue{messenger, &owner};
    std::vector<std::string> sent, shown;
    for (int n = 0; n < 20; ++n) {
        sent.push_back(std::to_string(n));
        queue.Show({static_cast<int32_t>(DatagramKind::DirectMessage), Peer("192.168.0.5", "PC05", "Z"), sent.back()});
    }
    EXPECT_EQ(queue.OpenCount(), 8);
    EXPECT_FALSE(tray.blocked);
    for (CReceiveDlg* window : queue.OpenWindows())
        shown.push_back(window->Received().text);
    // Close the newest and one in the middle in turn, by each way out.
    for (size_t step = 0; queue.OpenCount() > 0; ++step) {
        const auto& open = queue.OpenWindows();
        QPointer<CReceiveDlg> closing = open[step % 2 == 0 ? open.size() - 1 : open.size() / 2];
        const bool waiting = queue.PendingCount() > 0;
        step % 2 == 0 ? Child<QPushButton>(closing, QStringLiteral("closeButton"))->click() : (void)closing->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(closing.isNull());
        if (waiting)
            shown.push_back(queue.OpenWindows().back()->Received().text);
    }
    EXPECT_EQ(shown, sent);
}

} // namespace
