#include "settings/ExtraTargets.h"

#include "settings/MemorySettingsBackend.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

using Entries = std::vector<std::string>;
using Problem = ExtraTargets::Problem;

TEST(ExtraTargets, AddressesAndNamesPassAnythingElseIsRefusedAndTheRestKept)
{
    const struct { const char* text; Entries entries; Problem problem; const char* refused; } cases[] = {
        {" 10.1.2.255 , pc-osaka,,192.168.0.7 ", {"10.1.2.255", "pc-osaka", "192.168.0.7"}, Problem::None, ""},
        {"", {}, Problem::None, ""},
        {"10.1.2.256,pc", {"pc"}, Problem::NotIPv4, "10.1.2.256"},
        {"10.1.2", {}, Problem::NotIPv4, "10.1.2"},
        {"fe80::1", {}, Problem::NotIPv4, "fe80::1"},
        {"1.2.3.4.5", {}, Problem::NotIPv4, "1.2.3.4.5"},
        {"pc osaka", {}, Problem::BadName, "pc osaka"},
        {"大阪", {}, Problem::BadName, "大阪"},
        {"a..b", {}, Problem::BadName, "a..b"},
        {"branch.example.com", {"branch.example.com"}, Problem::None, ""},
        {"pc-osaka,10.1.2.255,PC-Osaka,10.1.2.255", {"pc-osaka", "10.1.2.255"}, Problem::None, ""},
    };
    for (const auto& c : cases) {
        Entries entries;
        const ExtraTargets::Refusal refusal = ExtraTargets::Parse(c.text, entries);
        EXPECT_EQ(entries, c.entries) << c.text;
        EXPECT_EQ(refusal.problem, c.problem) << c.text;
        EXPECT_EQ(refusal.entry, c.refused) << c.text;
    }
    Entries entries;
    EXPECT_EQ(ExtraTargets::Parse(std::string(254, 'a'), entries).problem, Problem::TooLong);
    EXPECT_EQ(ExtraTargets::Parse("a" + std::string(64, 'b') + ".com", entries).problem, Problem::BadName)
        << "a label of 65 characters";
    std::string many;
    for (int i = 0; i < 65; ++i)
        many += "10.0.0." + std::to_string(i) + ",";
    EXPECT_EQ(ExtraTargets::Parse(many, entries).problem, Problem::TooMany);
    EXPECT_EQ(entries.size(), ExtraTargets::kMaxEntries);
}

TEST(ExtraTargets, KeptPerGroupBesideItsValues)
{
    MemorySettingsBackend backend;
    SettingsStore store(backend);
    GroupSettings settings = SettingsStore::FirstRunSettings();
    store.WriteGroupSettings(settings);
    store.WriteExtraTargets("2F", {"10.1.2.255", "pc-osaka"});
    EXPECT_EQ(store.ReadExtraTargets("2F"), (Entries{"10.1.2.255", "pc-osaka"}));
    EXPECT_TRUE(store.ReadExtraTargets(settings.groupName).empty());
    GroupSettings read;
    EXPECT_EQ(store.ReadGroupSettings(read), SettingsStore::kRead) << "the group's own values are untouched";
    store.WriteExtraTargets("2F", {});
    EXPECT_TRUE(store.ReadExtraTargets("2F").empty());
}
