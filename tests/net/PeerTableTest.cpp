#include "net/PeerTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

PeerRecord Record(const std::string& address, const std::string& host, const std::string& user)
{
    PeerRecord record;
    PeerRecord::SetField(record.address, address);
    PeerRecord::SetField(record.host, host);
    PeerRecord::SetField(record.user, user);
    return record;
}

// "address host user" per entry, in table order.
std::vector<std::string> Rows(const PeerTable& table)
{
    std::vector<std::string> rows;
    for (const PeerRecord& entry : table.Entries())
        rows.push_back(std::string(entry.address) + " " + entry.host + " " + entry.user);
    return rows;
}

using Expected = std::vector<std::string>;

TEST(PeerTable, AddGoesByAddressAndKeepsTheFirstEntry)
{
    PeerTable table;
    EXPECT_TRUE(table.Add(Record("192.168.0.1", "OWN", "Me")));
    EXPECT_TRUE(table.Add(Record("192.168.0.5", "PC05", "Zuri")));
    EXPECT_FALSE(table.Add(Record("192.168.0.5", "PC05", "Other")));
    EXPECT_FALSE(table.Add(Record("192.168.0.5", "PC99", "Zuri")));
    // Same host on another address is another member.
    EXPECT_TRUE(table.Add(Record("192.168.0.6", "PC05", "Zuri")));
    // Address comparison is exact: no normalisation of the text.
    EXPECT_TRUE(table.Add(Record("192.168.000.5", "PC05", "Zuri")));
    EXPECT_EQ(Rows(table), (Expected{"192.168.0.1 OWN Me", "192.168.0.5 PC05 Zuri", "192.168.0.6 PC05 Zuri",
                                  "192.168.000.5 PC05 Zuri"}));
    // Members without an address: only the first is kept.
    EXPECT_TRUE(table.Add(Record("", "A", "a")));
    EXPECT_FALSE(table.Add(Record("", "B", "b")));
    EXPECT_EQ(table.Size(), 5u);
}

TEST(PeerTable, ReplaceMovesAKnownAddressToTheEndAndIgnoresAnUnknownOne)
{
    PeerTable table;
    table.Add(Record("10.0.0.1", "OWN", "Me"));
    table.Add(Record("10.0.0.2", "pcB", "B"));
    table.Add(Record("10.0.0.3", "pcC", "C"));

    EXPECT_FALSE(table.Replace(Record("10.0.0.9", "pcZ", "Z")));
    EXPECT_EQ(Rows(table), (Expected{"10.0.0.1 OWN Me", "10.0.0.2 pcB B", "10.0.0.3 pcC C"}));

    EXPECT_TRUE(table.Replace(Record("10.0.0.2", "pcB2", "New")));
    EXPECT_EQ(Rows(table), (Expected{"10.0.0.1 OWN Me", "10.0.0.3 pcC C", "10.0.0.2 pcB2 New"}));
}

TEST(PeerTable, RemoveByHostRemovesOnlyTheFirstEntryWithThatHost)
{
    PeerTable table;
    table.Add(Record("10.0.0.1", "OWN", "Me"));
    table.Add(Record("10.0.0.2", "pcB", "B"));
    table.Add(Record("10.0.0.3", "pcC", "C"));
    table.Add(Record("10.0.0.4", "pcB", "B again"));

    // The record's address and user play no part.
    EXPECT_TRUE(table.RemoveByHost(Record("10.0.0.99", "pcB", "")));
    EXPECT_EQ(Rows(table), (Expected{"10.0.0.1 OWN Me", "10.0.0.3 pcC C", "10.0.0.4 pcB B again"}));
    EXPECT_FALSE(table.RemoveByHost(Record("10.0.0.3", "PCC", "C")));
    EXPECT_TRUE(table.RemoveByHost(Record("", "pcB", "")));
    EXPECT_FALSE(table.RemoveByHost(Record("", "pcB", "")));
    EXPECT_EQ(Rows(table), (Expected{"10.0.0.1 OWN Me", "10.0.0.3 pcC C"}));

    table.Clear();
    EXPECT_EQ(table.Size(), 0u);
    EXPECT_TRUE(table.Add(Record("10.0.0.2", "pcB", "B")));
}

} // namespace
