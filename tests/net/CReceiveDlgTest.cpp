#include "net/CReceiveDlg.h"

#include "net/CMessageSend.h"
#include "net/CParties.h"
#include "net/FakePeerMessenger.h"
#include "ui/ModalRunner.h"

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
    // A reply's send window is shown, looked at and cancelled instead of
    // running modally.
    CReceiveDlgTest()
    {
        messenger.Table().Add(FakePeerMessenger::Peer("192.168.0.5", "PC05", "山田"));
        ModalRunner::SetHook([this](QDialog& dialog) {
            auto* send = qobject_cast<CMessageSend*>(&dialog);
            EXPECT_NE(send, nullptr);
            send->show();
            selectedInSendWindow.push_back(send->Recipients()->SelectedRows());
            send->reject();
            return send->result();
        });
    }
    ~CReceiveDlgTest() override { ModalRunner::SetHook({}); }

    // Opened at 2025-03-07 09:05:03.
    std::unique_ptr<CReceiveDlg> Open(const std::string& address, const std::string& text)
    {
        Datagram received;
        received.kind = static_cast<int32_t>(DatagramKind::DirectMessage);
        received.sender = FakePeerMessenger::Peer(address, "PC05", "山田");
        received.text = Cp932Codec::FromUtf8(text);
        auto window = std::make_unique<CReceiveDlg>(messenger, received);
        window->SetClock([] { return QDateTime(QDate(2025, 3, 7), QTime(9, 5, 3)); });
        window->show();
        return window;
    }

    FakePeerMessenger messenger;
    std::vector<std::vector<int>> selectedInSendWindow;
};

TEST_F(CReceiveDlgTest, ShowsSenderAndZeroPaddedOpeningTime)
{
    auto window = Open("192.168.0.5", "x");
    EXPECT_EQ(window->SenderLine()->text(), QStringLiteral("FROM : 山田"));
    EXPECT_EQ(window->DateLine()->text(), QStringLiteral("DATE : 2025年03月07日09時05分03秒"));

    // A name is shown as it was sent, never read as markup.
    Datagram marked;
    marked.sender = FakePeerMessenger::Peer("192.168.0.6", "PC06", "<b>A&lt;B</b>");
    CReceiveDlg other(messenger, marked);
    other.show();
    EXPECT_EQ(other.SenderLine()->text(), QStringLiteral("FROM : <b>A&lt;B</b>"));
    EXPECT_EQ(other.SenderLine()->textFormat(), Qt::PlainText);
}

TEST_F(CReceiveDlgTest, TextIsCoveredUntilRevealedThenSelectableButNotEditable)
{
    auto window = Open("192.168.0.5", "一行目\r\n二行目");
    QPlainTextEdit* text = window->MessageText();
    EXPECT_TRUE(window->ArrivalButton()->isVisible());
    EXPECT_EQ(window->ArrivalButton()->geometry(), text->geometry());
    EXPECT_FALSE(text->isEnabled());

    window->ArrivalButton()->click();
    EXPECT_FALSE(window->ArrivalButton()->isVisible());
    EXPECT_TRUE(text->isEnabled());
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("一行目\n二行目"));
}

TEST_F(CReceiveDlgTest, ReplyThenCancelStillClosesTheReceiveWindow)
{
    auto window = Open("192.168.0.5", "x");
    window->ReplyButton()->click();
    EXPECT_EQ(selectedInSendWindow, std::vector<std::vector<int>>{{1}});
    EXPECT_TRUE(messenger.sent.empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);

    auto stranger = Open("10.1.2.3", "x");
    stranger->ReplyButton()->click();
    ASSERT_EQ(selectedInSendWindow.size(), 2u);
    EXPECT_TRUE(selectedInSendWindow[1].empty());
    EXPECT_EQ(stranger->result(), QDialog::Accepted);
}

TEST_F(CReceiveDlgTest, ReplyRunsTheSendWindowModallyByDefault)
{
    auto window = Open("192.168.0.5", "x");
    ModalRunner::SetHook({});
    QString modalCaption;
    // Whatever is modal when the timer fires is closed, so the test cannot hang.
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        modalCaption = modal->windowTitle();
        modal->close();
    });
    window->ReplyButton()->click();
    EXPECT_EQ(modalCaption, QStringLiteral("送信"));
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(CReceiveDlgTest, LayoutFollowsTheClientSize)
{
    auto window = Open("192.168.0.5", "x");
    for (QSize size : {QSize(701, 611), QSize(301, 250)}) {
        window->resize(size);
        QCoreApplication::processEvents();
        ASSERT_EQ(window->size(), size);
        const int r = size.width(), b = size.height(), m = r / 2;
        EXPECT_EQ(window->Information()->geometry(), QRect(20, 10, r - 40, 80));
        EXPECT_EQ(window->SenderLine()->geometry(), QRect(30, 30, r - 55, 20));
        EXPECT_EQ(window->DateLine()->geometry(), QRect(30, 50, r - 55, 20));
        EXPECT_EQ(window->MessageText()->geometry(), QRect(20, 100, r - 40, b - 150));
        EXPECT_EQ(window->ArrivalButton()->geometry(), QRect(20, 100, r - 40, b - 150));
        EXPECT_EQ(window->CloseButton()->geometry(), QRect(m - 100, b - 40, 80, 30));
        EXPECT_EQ(window->ReplyButton()->geometry(), QRect(m + 20, b - 40, 80, 30));
    }
}

} // namespace
