#include "settings/SettingsTree.h"

#include "core/Cp932Codec.h"

#include <gtest/gtest.h>

namespace {

using Path = SettingsTree::Path;

std::vector<std::string> SubKeys(const SettingsTree& tree, const Path& path)
{
    std::vector<std::string> names;
    while (const std::string* name = tree.SubKeyName(path, names.size()))
        names.push_back(*name);
    return names;
}

TEST(SettingsTreeTest, NamesMatchWithoutCaseAndKeepTheirFirstSpelling)
{
    SettingsTree tree;
    EXPECT_TRUE(tree.SetValue({"Software", "QuorlBoard"}, "PortNo", 4, "a"));
    EXPECT_TRUE(tree.HasKey({"SOFTWARE", "quorlboard"}));
    EXPECT_FALSE(tree.CreateKey({"software", "QUORLBOARD"}));

    EXPECT_TRUE(tree.SetValue({"software", "quorlBoard"}, "portno", 3, "bc"));
    EXPECT_FALSE(tree.SetValue({"Software", "QuorlBoard"}, "PORTNO", 3, "bc")) << "unchanged";
    EXPECT_EQ(*tree.Values({"Software", "QuorlBoard"}), (std::vector<SettingsTree::Value>{{"PortNo", 3, "bc"}}));
    EXPECT_EQ(SubKeys(tree, {}).at(0) + SubKeys(tree, {"software"}).at(0), "SoftwareQuorlBoard");

    // Copies are deep, and comparison, which the round trips rely on, sees case.
    SettingsTree copy = tree;
    EXPECT_EQ(copy, tree);
    copy.SetValue({"Software", "QuorlBoard"}, "PortNo", 3, "x");
    EXPECT_EQ(tree.FindValue({"Software", "QuorlBoard"}, "PortNo")->data, "bc");
    SettingsTree other;
    other.SetValue({"software", "QuorlBoard"}, "PortNo", 3, "bc");
    EXPECT_FALSE(other == tree);
}

TEST(SettingsTreeTest, SecondBytesOfDoubleByteCharactersAreNeverFolded)
{
    const std::string lowerTrail = "\x83\x61"; // ヂ
    const std::string upperTrail = "\x83\x41";   // ア
    EXPECT_EQ(SettingsTree::Fold(lowerTrail + "\xB1" "a"), lowerTrail + "\xB1" "A"); // half-width kana is one byte
    const std::string group = Cp932Codec::FromUtf8("グループ１"); // プ is 83 76 ('v')
    EXPECT_EQ(SettingsTree::Fold(group), group);

    SettingsTree tree;
    tree.CreateKey({lowerTrail});
    EXPECT_TRUE(tree.CreateKey({upperTrail}));
    tree.SetValue({}, lowerTrail + "x", 1, "1");
    tree.SetValue({}, upperTrail + "X", 1, "2");
    EXPECT_EQ(SubKeys(tree, {}).size() + tree.Values({})->size(), 4u);
    EXPECT_EQ(tree.FindValue({}, lowerTrail + "X")->data, "1");
}

TEST(SettingsTreeTest, PathsBeyondTheLimitsAreRefusedAndValuesAreDeletedWithoutCase)
{
    SettingsTree tree;
    EXPECT_FALSE(tree.CreateKey({"a", ""}));
    EXPECT_TRUE(tree.CreateKey(Path(SettingsTree::kMaxDepth, "d")));
    EXPECT_FALSE(tree.CreateKey(Path(SettingsTree::kMaxDepth + 1, "e")));
    EXPECT_FALSE(tree.SetValue({"a\\b"}, "v", 1, ""));
    EXPECT_EQ(SettingsTree::SplitPath("\\Software\\\\QuorlBoard\\"), (Path{"Software", "QuorlBoard"}));
    tree.SetValue({"Font"}, "Width", 3, "");
    EXPECT_TRUE(tree.DeleteValue({"font"}, "WIDTH") && !tree.DeleteValue({"Font"}, "Width"));
}

} // namespace
