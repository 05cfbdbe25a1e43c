#include "net/PeerTable.h"

#include "net/TestPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

// "address host user" per entry, in table order.
Rows RowsOf(const PeerTable& table)
{
    Rows rows;
    for (const PeerRecord& entry : table.Entries())
        rows.push_back(std::string(entry.address) + " " + entry.host + " " + entry.user);
    return rows;
}

TEST(PeerTable, AddGoesByTheExactAddressAndKeepsTheFirstEntry)
{
    PeerTable table;
    EXPECT_TRUE(table.Add(Peer("192.168.0.1", "OWN", "Me")));
    EXPECT_TRUE(table.Add(Peer("192.168.0.5", "PC05", "Zuri")));
    EXPECT_FALSE(table.Add(Peer("192.168.0.5", "PC05", "Other")));
    EXPECT_FALSE(table.Add(Peer("192.168.0.5", "PC99", "Zuri")));
    EXPECT_TRUE(table.Add(Peer("192.168.0.6", "PC05", "Zuri")));
    EXPECT_TRUE(table.Add(Peer("192.168.000.5", "PC05", "Zuri")));
    EXPECT_EQ(RowsOf(table), (Rows{"192.168.0.1 OWN Me", "192.168.0.5 PC05 Zuri", "192.168.0.6 PC05 Zuri",
                                   "192.168.000.5 PC05 Zuri"}));
    // Members without an address: only the first is kept.
    EXPECT_TRUE(table.Add(Peer("", "A", "a")));
    EXPECT_FALSE(table.Add(Peer("", "B", "b")));
    EXPECT_EQ(table.Size(), 5u);
}

TEST(PeerTable, ReplaceMovesAKnownAddressToTheEndAndRemoveByHostTakesTheFirstWithThatHost)
{
    PeerTable table;
    for (const auto& [n, host] : {std::pair{"1", "pc1"}, {"2", "pcB"}, {"3", "pc3"}, {"4", "pcB"}})
        table.Add(Peer(std::string("10.0.0.") + n, host, n));
    EXPECT_FALSE(table.Replace(Peer("10.0.0.9", "pc9", "9")));
    EXPECT_TRUE(table.Replace(Peer("10.0.0.2", "pcB", "New")));
    EXPECT_EQ(RowsOf(table), (Rows{"10.0.0.1 pc1 1", "10.0.0.3 pc3 3", "10.0.0.4 pcB 4", "10.0.0.2 pcB New"}));

    // The record's address and user play no part; host names compare exactly.
    EXPECT_TRUE(table.RemoveByHost(Peer("10.0.0.99", "pcB", "")));
    EXPECT_EQ(RowsOf(table), (Rows{"10.0.0.1 pc1 1", "10.0.0.3 pc3 3", "10.0.0.2 pcB New"}));
    EXPECT_FALSE(table.RemoveByHost(Peer("10.0.0.3", "PC3", "3")));
    EXPECT_TRUE(table.RemoveByHost(Peer("", "pcB", "")));
    EXPECT_FALSE(table.RemoveByHost(Peer("", "pcB", "")));
    EXPECT_EQ(RowsOf(table), (Rows{"10.0.0.1 pc1 1", "10.0.0.3 pc3 3"}));

    table.Clear();
    EXPECT_EQ(table.Size(), 0u);
    EXPECT_TRUE(table.Add(Peer("10.0.0.2", "pcB", "B")));
}

} // namespace
