#include "net/CParties.h"

#include "net/FakePeerMessenger.h"

#include <gtest/gtest.h>

namespace {

class CPartiesTest : public ::testing::Test
{
protected:
    CPartiesTest() { list.InitColumns(); }
    void AddOthers()
    {
        // 192.168.0.1 is a prefix of the addresses around it.
        messenger.Table().Add(FakePeerMessenger::Peer("192.168.0.10", "PC10", "佐藤"));
        messenger.Table().Add(FakePeerMessenger::Peer("192.168.0.1", "PC01", "鈴木"));
        messenger.Table().Add(FakePeerMessenger::Peer("192.168.0.11", "PC11", "Zuri"));
    }

    FakePeerMessenger messenger;
    CParties list{messenger};
};

TEST_F(CPartiesTest, OwnEntryAloneGivesOneRowWithUserHostAndAddress)
{
    list.Fill("");
    ASSERT_EQ(list.topLevelItemCount(), 1);
    EXPECT_EQ(list.topLevelItem(0)->text(0), QStringLiteral("山田 太郎"));
    EXPECT_EQ(list.topLevelItem(0)->text(1), QStringLiteral("PC02"));
    EXPECT_EQ(list.topLevelItem(0)->text(2), QStringLiteral("192.168.0.2"));
    EXPECT_TRUE(list.SelectedRows().empty());
}

TEST_F(CPartiesTest, PresetSelectsExactlyTheRowWithThatAddress)
{
    AddOthers();
    list.Fill("192.168.0.1");
    ASSERT_EQ(list.topLevelItemCount(), 4);
    EXPECT_EQ(list.topLevelItem(2)->text(0), QStringLiteral("鈴木"));
    EXPECT_EQ(list.SelectedRows(), std::vector<int>{2});

    list.Fill("10.0.0.1");
    EXPECT_EQ(list.topLevelItemCount(), 4);
    EXPECT_TRUE(list.SelectedRows().empty());

    // An empty preset does not choose a member whose address is unknown.
    messenger.Table().Add(FakePeerMessenger::Peer("", "NOADDR", "x"));
    list.Fill("");
    EXPECT_TRUE(list.SelectedRows().empty());
}

TEST_F(CPartiesTest, SelectedRowsComeInRowOrder)
{
    AddOthers();
    list.Fill("");
    for (int row : {3, 0, 2})
        list.topLevelItem(row)->setSelected(true);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 2, 3}));
}

} // namespace
