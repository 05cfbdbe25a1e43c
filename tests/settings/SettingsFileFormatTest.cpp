#include "settings/SettingsFileFormat.h"

#include "core/Cp932Codec.h"
#include "settings/SettingsBackend.h"

#include <gtest/gtest.h>

namespace {

using B = SettingsBackend;

void ExpectRoundTrip(const SettingsTree& tree)
{
    const std::string text = SettingsFileFormat::Format(tree);
    size_t unreadable = 99;
    EXPECT_TRUE(SettingsFileFormat::Parse(text, &unreadable) == tree) << text;
    EXPECT_EQ(unreadable, 0u) << text;
}

TEST(SettingsFileFormatTest, CommonValuesReadAsTheyWouldInARegistryExport)
{
    SettingsTree tree;
    const std::string group = Cp932Codec::FromUtf8("グループ１");
    const SettingsTree::Path root{"Software", "QuorlBoard"};
    tree.SetValue(root, "curgroup", B::kTypeString, group + '\0');
    tree.SetValue({"Software", "QuorlBoard", group}, "portno", B::kTypeDword, std::string("\xdc\x05\0\0", 4));
    tree.SetValue({"Software", "QuorlBoard", "Font"}, "Height", B::kTypeBinary, std::string("\x6e\0\0\0", 4));
    tree.SetValue({"Software", "QuorlBoard", "Font"}, "", B::kTypeString, std::string("C:\\a\"b\"\n\0", 9));
    tree.CreateKey({"Software", "QuorlBoard", "Empty"});

    const std::string text = SettingsFileFormat::Format(tree);
    for (const char* line : {"[Software\\QuorlBoard]\n\"curgroup\"=\"グループ１\"\n",
                             "[Software\\QuorlBoard\\グループ１]\n\"portno\"=dword:000005dc\n",
                             "\"Height\"=hex:6e,00,00,00\n", "@=\"C:\\\\a\\\"b\\\"\\n\"\n",
                             "[Software\\QuorlBoard\\Empty]\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    ExpectRoundTrip(tree);
}

TEST(SettingsFileFormatTest, AnyNamesTypesAndBytesComeBackUnchanged)
{
    SettingsTree tree;
    std::string allBytes;
    for (int c = 0; c < 256; ++c)
        allBytes += static_cast<char>(c);
    std::string keyBytes = allBytes.substr(1);
    keyBytes.erase(keyBytes.find('\\'), 1);
    const SettingsTree::Path odd{"%41 [x]] ", keyBytes, "\x81", std::string("\0", 1), "\xED\x40\x81\"", "@",
                                 "\x83\x5C\x95\x5C"};
    const std::vector<std::pair<uint32_t, std::string>> data{
        {B::kTypeString, std::string("\0", 1)},      {B::kTypeString, ""},
        {B::kTypeString, std::string("a\0b\0", 4)},  {B::kTypeString, "no zero"},
        {B::kTypeString, "\xED\x40" + std::string("\0", 1)}, {B::kTypeString, allBytes},
        {B::kTypeDword, "123"},                      {B::kTypeDword, "12345"},
        {B::kTypeBinary, ""},                        {B::kTypeBinary, allBytes + allBytes},
        {0, "x"},                                    {0xFFFFFFFF, ""}};
    for (size_t i = 0; i < data.size(); ++i)
        tree.SetValue(odd, allBytes.substr(0, i * 20), data[i].first, data[i].second);
    tree.SetValue({}, "on the root", B::kTypeDword, "\x01\x02\x03\x04");
    tree.CreateKey({"Software", "empty"});
    ExpectRoundTrip(tree);
}

TEST(SettingsFileFormatTest, KeyPathsBeyondTheRegistryLimitsAreDamagedLinesAndNoneCostsMoreThanItsLength)
{
    const auto keyWithValue = [](size_t levels, const std::string& name) {
        std::string text = "[" + name;
        for (size_t i = 1; i < levels; ++i)
            text += "\\" + name;
        return text + "]\n\"v\"=dword:00000001\n";
    };
    std::string wide; // "あ" 256 times: 256 characters, 512 bytes in CP932
    for (int i = 0; i < 256; ++i)
        wide += "あ";
    const std::pair<std::string, size_t> cases[] = { // text, unreadable lines
        {keyWithValue(SettingsTree::kMaxDepth + 1, "a"), 2},
        {keyWithValue(200'000, "a"), 2},
        {keyWithValue(1, wide.substr(3)), 0},
        {keyWithValue(1, wide), 2},
    };
    for (const auto& [text, damaged] : cases) {
        size_t unreadable = 99;
        const SettingsTree tree = SettingsFileFormat::Parse(text, &unreadable);
        EXPECT_EQ(unreadable, damaged) << text.size();
        // A deep key is written once, not once per level.
        const std::string formatted = SettingsFileFormat::Format(tree);
        EXPECT_LT(formatted.size(), text.size() + 40) << text.size();
        EXPECT_TRUE(SettingsFileFormat::Parse(formatted) == SettingsTree(tree));
    }
}

TEST(SettingsFileFormatTest, DamagedTextKeepsEveryReadableValue)
{
    const std::string text =
        "\xEF\xBB\xBF; QuorlBoard settings\r\n"
        "\"before any key\"=dword:00000001\n"
        "[Software\\QuorlBoard]\r\n"
        "\"curgroup\"=\"a\"\n"
        "garbage line\n"
        "\"bad hex\"=hex:0g,01\n"
        "\"unterminated\"=\"abc\n"
        "\"bad escape\"=\"\\q\"\n"
        "\"trailing\"=\"x\" y\n"
        "  \"portno\" = dword:5dc  \n"
        "[Software\\QuorlBoard\\%zz]\n"
        "\"lost\"=dword:00000001\n"
        "[Software\\\\x]\n"
        "[Software\\QuorlBoard\\Font]\n"
        "\"long\"=hex:01,02,\\\n"
        "  03\n"
        "\"cut\"=hex:01,\\";
    size_t unreadable = 0;
    const SettingsTree tree = SettingsFileFormat::Parse(text, &unreadable);
    EXPECT_EQ(unreadable, 10u);
    const SettingsTree::Path root{"Software", "QuorlBoard"};
    EXPECT_EQ(tree.FindValue(root, "curgroup")->data, std::string("a\0", 2));
    EXPECT_EQ(tree.FindValue(root, "portno")->data, std::string("\xdc\x05\0\0", 4));
    EXPECT_EQ(tree.Values(root)->size(), 2u);
    EXPECT_EQ(tree.FindValue({"Software", "QuorlBoard", "Font"}, "long")->data, "\x01\x02\x03");
    EXPECT_EQ(tree.SubKeyName(root, 1), nullptr);
}

} // namespace
