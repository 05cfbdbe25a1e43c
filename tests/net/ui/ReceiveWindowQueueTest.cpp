#include "net/ui/ReceiveWindowQueue.h"

#include "net/ui/CReceiveDlg.h"
#include "net/FakePeerMessenger.h"
#include "support/TrayStandIn.h"
#include "support/Child.h"

#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class ReceiveWindowQueueTest : public ::testing::Test
{
protected:
    void Flood(int count)
    {
        for (int n = 0; n < count; ++n)
            queue.Show({static_cast<int32_t>(DatagramKind::DirectMessage), Peer("192.168.0.5", "PC05", "Z"),
                        std::to_string(n)});
    }

    TrayStandIn tray;
    QWidget owner;
    FakePeerMessenger messenger;
    ReceiveWindowQueue queue{messenger, &owner};
};

TEST_F(ReceiveWindowQueueTest, FloodWaitsInOrderAndNoneIsLostOrBlocksTheNotificationArea)
{
    Flood(20);
    EXPECT_EQ(queue.OpenCount(), 8);
    EXPECT_EQ(queue.PendingCount(), 12);
    EXPECT_FALSE(tray.blocked);

    std::vector<std::string> shown;
    for (CReceiveDlg* window : queue.OpenWindows()) {
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->isModal());
        shown.push_back(window->Received().text);
    }
    // Close the newest, the oldest and one in the middle in turn, by each way out.
    for (size_t step = 0; queue.OpenCount() > 0; ++step) {
        const auto& open = queue.OpenWindows();
        const size_t choices[] = {open.size() - 1, 0, open.size() / 2};
        QPointer<CReceiveDlg> closing = open[choices[step % 3]];
        const int pendingBefore = queue.PendingCount();
        if (step % 2 == 0)
            Child<QPushButton>(closing, QStringLiteral("closeButton"))->click();
        else
            closing->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(closing.isNull());
        if (pendingBefore > 0) {
            ASSERT_EQ(queue.OpenCount(), 8);
            EXPECT_EQ(queue.PendingCount(), pendingBefore - 1);
            EXPECT_TRUE(queue.OpenWindows().back()->isVisible());
            shown.push_back(queue.OpenWindows().back()->Received().text);
        }
    }
    EXPECT_EQ(queue.PendingCount(), 0);
    ASSERT_EQ(shown.size(), 20u);
    for (int n = 0; n < 20; ++n)
        EXPECT_EQ(shown[static_cast<size_t>(n)], std::to_string(n));
}

} // namespace
