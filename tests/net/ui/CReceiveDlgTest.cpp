#include "net/ui/CReceiveDlg.h"

#include "net/ui/CMessageSend.h"
#include "net/ui/CParties.h"
#include "net/FakePeerMessenger.h"
#include "ui/ModalRunner.h"
#include "support/Child.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

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
    std::unique_ptr<CReceiveDlg> Open(const std::string& address, const std::string& text,
                                      const std::string& user = "山田")
    {
        Datagram received;
        received.kind = static_cast<int32_t>(DatagramKind::DirectMessage);
        received.sender = Peer(address, "PC05", user);
        received.text = Cp932Codec::FromUtf8(text);
        auto window = std::make_unique<CReceiveDlg>(messenger, received);
        window->SetClock([] { return QDateTime(QDate(2025, 3, 7), QTime(9, 5, 3)); });
        window->show();
        return window;
    }

    FakePeerMessenger messenger;
    std::vector<std::vector<int>> selectedInSendWindow;
};

TEST_F(CReceiveDlgTest, ShowsSenderAndOpeningTimeLaidOutByTheSizeAndTheTextOnceRevealed)
{
    auto window = Open("192.168.0.5", "一行目\r\n二行目");
    EXPECT_EQ(Child<QLabel>(window, QStringLiteral("senderLine"))->text(), QStringLiteral("FROM : 山田"));
    EXPECT_EQ(Child<QLabel>(window, QStringLiteral("dateLine"))->text(), QStringLiteral("DATE : 2025年03月07日09時05分03秒"));
    window->resize(301, 250);
    QCoreApplication::processEvents();
    ASSERT_EQ(window->size(), QSize(301, 250));
    EXPECT_EQ(Child<QGroupBox>(window, QStringLiteral("information"))->geometry(), QRect(20, 10, 261, 80));
    EXPECT_EQ(Child<QLabel>(window, QStringLiteral("senderLine"))->geometry(), QRect(30, 30, 246, 20));
    EXPECT_EQ(Child<QLabel>(window, QStringLiteral("dateLine"))->geometry(), QRect(30, 50, 246, 20));
    EXPECT_EQ(Child<QPlainTextEdit>(window, QStringLiteral("receivedText"))->geometry(), QRect(20, 100, 261, 100));
    EXPECT_EQ(Child<QPushButton>(window, QStringLiteral("arrivalButton"))->geometry(), Child<QPlainTextEdit>(window, QStringLiteral("receivedText"))->geometry());
    EXPECT_EQ(Child<QPushButton>(window, QStringLiteral("closeButton"))->geometry(), QRect(50, 210, 80, 30));
    EXPECT_EQ(Child<QPushButton>(window, QStringLiteral("replyButton"))->geometry(), QRect(170, 210, 80, 30));

    QPlainTextEdit* text = Child<QPlainTextEdit>(window, QStringLiteral("receivedText"));
    EXPECT_TRUE(Child<QPushButton>(window, QStringLiteral("arrivalButton"))->isVisible());
    EXPECT_FALSE(text->isEnabled());
    Child<QPushButton>(window, QStringLiteral("arrivalButton"))->click();
    EXPECT_FALSE(Child<QPushButton>(window, QStringLiteral("arrivalButton"))->isVisible());
    EXPECT_TRUE(text->isEnabled());
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("一行目\n二行目"));

    // A name is shown as it was sent, never read as markup.
    auto marked = Open("192.168.0.6", "x", "<b>A&lt;B</b>");
    EXPECT_EQ(Child<QLabel>(marked, QStringLiteral("senderLine"))->text(), QStringLiteral("FROM : <b>A&lt;B</b>"));
    EXPECT_EQ(Child<QLabel>(marked, QStringLiteral("senderLine"))->textFormat(), Qt::PlainText);
}

TEST_F(CReceiveDlgTest, ReplyPresetsTheSenderAndClosesTheReceiveWindowEvenWhenCancelled)
{
    auto window = Open("192.168.0.5", "x");
    Child<QPushButton>(window, QStringLiteral("replyButton"))->click();
    EXPECT_EQ(selectedInSendWindow, std::vector<std::vector<int>>{{1}});
    EXPECT_TRUE(messenger.sent.empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);

    // Without the hook the send window runs modally; whatever is modal is
    // closed from a timer, so the test cannot hang.
    ModalRunner::SetHook({});
    auto modal = Open("192.168.0.5", "x");
    QString modalCaption;
    QTimer::singleShot(0, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        ASSERT_NE(shown, nullptr);
        modalCaption = shown->windowTitle();
        shown->close();
    });
    Child<QPushButton>(modal, QStringLiteral("replyButton"))->click();
    EXPECT_EQ(modalCaption, QStringLiteral("送信"));
    EXPECT_EQ(modal->result(), QDialog::Accepted);
}

} // namespace
