#include "net/ui/CMessageSend.h"

#include "net/ui/CParties.h"
#include "net/FakePeerMessenger.h"
#include "ui/MessageBoxService.h"
#include "support/Child.h"
#include "support/RecordedBoxes.h"
#include "support/LaidOut.h"

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
    window.resize(333, 257);
    ExpectLaidOut(window, {"recipients", "messageText", "sendButton"});
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
    list.Fill("");
    ASSERT_EQ(list.topLevelItemCount(), 1);
    const QTreeWidgetItem* own = list.topLevelItem(0);
    EXPECT_EQ(QStringList({own->text(0), own->text(1), own->text(2)}), QStringList({"山田 太郎", "PC02", "192.168.0.2"}));
    EXPECT_TRUE(list.SelectedRows().empty());

    // 192.168.0.1 is a prefix of the addresses around it.
    messenger.Table().Add(Peer("192.168.0.10", "PC10", "佐藤"));
    messenger.Table().Add(Peer("192.168.0.1", "PC01", "鈴木"));
    messenger.Table().Add(Peer("192.168.0.11", "PC11", "Zuri"));
    list.Fill("192.168.0.1");
    ASSERT_EQ(list.topLevelItemCount(), 4);
    EXPECT_EQ(list.topLevelItem(2)->text(0), QStringLiteral("鈴木"));
    EXPECT_EQ(list.SelectedRows(), std::vector<int>{2});
    list.Fill("10.0.0.1");
    EXPECT_EQ(list.topLevelItemCount(), 4);
    EXPECT_TRUE(list.SelectedRows().empty());

    for (int row : {3, 0, 2})
        list.topLevelItem(row)->setSelected(true);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 2, 3}));

    // An empty preset does not choose a member whose address is unknown.
    messenger.Table().Add(Peer("", "NOADDR", "x"));
    list.Fill("");
    EXPECT_TRUE(list.SelectedRows().empty());
}

} // namespace
