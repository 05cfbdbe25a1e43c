#include "net/ui/CMessageSend.h"

#include "net/ui/CParties.h"
#include "net/FakePeerMessenger.h"
#include "ui/MessageBoxService.h"
#include "support/Child.h"
#include "support/RecordedBoxes.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CMessageSendTest : public ::testing::Test
{
protected:
    CMessageSendTest()
    {
        for (std::string n : {"5", "6", "7"})
            messenger.Table().Add(Peer("192.168.0." + n, "PC0" + n, "佐藤"));
    }

    void Open(std::initializer_list<int> selectedRows, const QString& text)
    {
        window.show();
        for (int row : selectedRows)
            recipients->topLevelItem(row)->setSelected(true);
        SetText(text);
    }
    QPlainTextEdit* Text() { return Child<QPlainTextEdit>(window, QStringLiteral("messageText")); }
    void SetText(const QString& text) { Text()->setPlainText(text); }
    void Send() { Child<QPushButton>(window, QStringLiteral("sendButton"))->click(); }

    FakePeerMessenger messenger;
    CMessageSend window{messenger};
    CParties* recipients = Child<CParties>(window, QStringLiteral("recipients"));
    RecordedBoxes boxes;
};

TEST_F(CMessageSendTest, SendsNothingWithoutARecipientAndEnterSendsOnlyFromTheList)
{
    Open({}, QStringLiteral("会議は10:30から"));
    Send();
    EXPECT_TRUE(window.isVisible());

    recipients->topLevelItem(0)->setSelected(true);
    SetText(QString());
    QTest::keyClick(Text(), Qt::Key_Return);
    EXPECT_TRUE(messenger.sent.empty());
    QTest::keyClick(recipients, Qt::Key_Return);
    ASSERT_EQ(messenger.sent.size(), 1u);
    EXPECT_EQ(messenger.sent[0].target, "PC02");
    EXPECT_EQ(messenger.sent[0].text, "\r\n");
}

TEST_F(CMessageSendTest, EachSelectedRowGetsTheTextInRowOrderByWhatItShowsNeverByBroadcast)
{
    messenger.Table().Add(Peer("192.168.0.9", "", "no host name"));
    messenger.Table().Add(Peer("", "", "nothing known"));
    Open({3, 5, 1, 4, 2}, QString());
    messenger.Table().RemoveByHost(Peer("", "PC05", ""));
    Send();
    std::string sent;
    for (const FakePeerMessenger::Sent& datagram : messenger.sent)
        sent += std::to_string(int(datagram.kind)) + ":" + datagram.target + "," + datagram.fallbackAddress + " ";
    EXPECT_EQ(sent, "5:PC05,192.168.0.5 5:PC06,192.168.0.6 5:PC07,192.168.0.7 5:192.168.0.9,192.168.0.9 ");
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(CMessageSendTest, TextTooLongOrWithCharactersTheMembersCannotReceiveIsRefusedAndKept)
{
    // "あ" is 2 bytes on the wire, a line break (CR LF) 2: 1025 bytes in all.
    const size_t overhead = messenger.FormatDatagram(DatagramKind::DirectMessage, "").size();
    const size_t wide = (1025 - overhead - 2) / 2 - 1;
    const QString text = QString(static_cast<qsizetype>(wide), QChar(0x3042)) + QLatin1Char('\n') +
                         QString(static_cast<qsizetype>(1025 - overhead - 2 - 2 * wide), QLatin1Char('a'));
    Open({1, 2}, text);
    // Never turned into question marks.
    for (const QString& refused : {QStringLiteral("了解です😀"), text}) {
        SetText(refused);
        Send();
        EXPECT_TRUE(messenger.sent.empty());
        EXPECT_EQ(Text()->toPlainText(), refused);
        ASSERT_FALSE(boxes.requests.empty());
        EXPECT_EQ(boxes.requests.back().icon, MessageBoxService::Icon::Exclamation);
    }
    ASSERT_EQ(boxes.requests.size(), 2u);
    EXPECT_TRUE(boxes.requests[1].text.contains(QStringLiteral("%1 バイトまで").arg(1024 - overhead)));
    EXPECT_TRUE(boxes.requests[1].text.contains(QStringLiteral("現在 %1 バイト").arg(1025 - overhead)));

    // One character less fills the datagram exactly.
    SetText(text.chopped(1));
    Send();
    ASSERT_EQ(messenger.sent.size(), 2u);
    EXPECT_EQ(messenger.sent[0].text,
              Cp932Codec::FromUtf8(QString(text.chopped(1)).replace(u'\n', QStringLiteral("\r\n")).toStdString()));
    EXPECT_EQ(messenger.FormatDatagram(DatagramKind::DirectMessage, messenger.sent[0].text).size(), 1024u);
}

TEST(CParties, RowsShowUserHostAndAddressAndThePresetSelectsExactlyThatAddress)
{
    FakePeerMessenger messenger;
    CParties list(messenger);
    list.InitColumns();
    // 192.168.0.1 is a prefix of the addresses around it.
    for (const std::string n : {"10", "1", "11"})
        messenger.Table().Add(Peer("192.168.0." + n, "PC" + n, "鈴木" + n));
    messenger.Table().Add(Peer("", "NOADDR", "x"));
    list.Fill("192.168.0.1");
    ASSERT_EQ(list.topLevelItemCount(), 5);
    const QTreeWidgetItem* chosen = list.topLevelItem(2);
    EXPECT_EQ(QStringList({chosen->text(0), chosen->text(1), chosen->text(2)}), QStringList({"鈴木1", "PC1", "192.168.0.1"}));
    EXPECT_EQ(list.SelectedRows(), std::vector<int>{2});
    // An empty preset does not choose a member whose address is unknown.
    list.Fill("");
    EXPECT_TRUE(list.SelectedRows().empty());
}

} // namespace
