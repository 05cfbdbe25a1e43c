#include "net/ui/CParties.h"

#include "net/FakePeerMessenger.h"

#include <gtest/gtest.h>

namespace {

TEST(CParties, RowsShowUserHostAndAddressAndThePresetSelectsExactlyThatAddress)
{
    FakePeerMessenger messenger;
    CParties list(messenger);
    list.InitColumns();
    list.Fill("");
    ASSERT_EQ(list.topLevelItemCount(), 1);
    const QTreeWidgetItem* own = list.topLevelItem(0);
    EXPECT_EQ(QStringList({own->text(0), own->text(1), own->text(2)}),
              QStringList({QStringLiteral("山田 太郎"), QStringLiteral("PC02"), QStringLiteral("192.168.0.2")}));
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
