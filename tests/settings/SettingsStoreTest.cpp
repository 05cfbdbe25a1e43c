#include "settings/SettingsStore.h"

#include "core/Cp932Codec.h"
#include "settings/MemorySettingsBackend.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

using B = SettingsBackend;
using S = SettingsStore;
using Path = SettingsTree::Path;
using Stored = std::pair<uint32_t, std::string>;
using Names = std::vector<std::string>;

const Path kRoot{"Software", "QuorlBoard"};

Path Below(std::initializer_list<std::string> names)
{
    Path path = kRoot;
    path.insert(path.end(), names);
    return path;
}
std::string Bytes(uint32_t n)
{
    return {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16), static_cast<char>(n >> 24)};
}
Stored Dword(uint32_t n) { return {B::kTypeDword, Bytes(n)}; }
Stored Sz(const std::string& text) { return {B::kTypeString, text + '\0'}; }
template <typename T> bool Same(const T& a, const T& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class SettingsStoreTest : public ::testing::Test
{
protected:
    void TearDown() override { EXPECT_EQ(backend.openHandles(), 0u); }
    Names ValueNames(const Path& path) const
    {
        Names names;
        if (const auto* values = backend.tree().Values(path))
            for (const auto& value : *values)
                names.push_back(value.name);
        return names;
    }
    Stored Value(const Path& path, const std::string& name) const
    {
        const SettingsTree::Value* value = backend.tree().FindValue(path, name);
        return value == nullptr ? Stored{0, "absent"} : Stored{value->type, value->data};
    }
    void Set(const Path& path, const std::string& name, const Stored& value)
    {
        backend.tree().SetValue(path, name, value.first, value.second);
    }

    MemorySettingsBackend backend;
    SettingsStore store{backend};
    // ソ and 表 end in 0x5C, the byte of the key separator: the group must stay one key.
    const std::string group = Cp932Codec::FromUtf8("ソフト開発表");
};

TEST_F(SettingsStoreTest, EmptyStoreReportsNothingLeavesTheRecordsAndCreatesOnlyRootAndFont)
{
    ClientSizeRecord size{1, 2, 3, 4, 5};
    PriorityColors colors{{7}};
    ColumnWidths widths{};
    EXPECT_EQ(store.ReadClientSize(size) + store.ReadColumnWidths(widths), 2 * S::kKeyAbsent);
    EXPECT_EQ(store.ReadColors(colors), S::kNothingStored);
    EXPECT_TRUE(backend.tree() == SettingsTree());
    EXPECT_EQ(size.style + static_cast<int>(colors.colors[0]), 12);

    GroupSettings settings{};
    std::strcpy(settings.userName, "keep");
    FontDescription font{};
    EXPECT_EQ(store.ReadGroupSettings(settings) + store.ReadFont(font), 2 * S::kNothingStored);
    EXPECT_STREQ(settings.userName, "keep");
    EXPECT_TRUE(backend.tree().HasKey(kRoot));
    EXPECT_TRUE(backend.tree().Values(Below({"Font"}))->empty());
}

TEST_F(SettingsStoreTest, ACurrentGroupThatDoesNotFitReadsAsNoGroup)
{
    GroupSettings read{};
    std::strcpy(read.groupName, "before");
    for (const auto& [stored, result] : {std::pair{Sz(std::string(64, 'g')), S::kNothingStored},
                                         {{B::kTypeString, std::string(64, 'g')}, S::kNothingStored},
                                         {{B::kTypeString, std::string(63, 'g')}, S::kRead}}) {
        Set(kRoot, "curgroup", stored);
        EXPECT_EQ(store.ReadGroupSettings(read), result) << stored.second.size();
    }
    EXPECT_EQ(std::string(read.groupName), std::string(63, 'g'));

    // An unterminated field is never read past, and the result does not fit.
    GroupSettings full{};
    std::memset(full.groupName, 'h', sizeof full.groupName);
    store.WriteGroupSettings(full);
    EXPECT_EQ(Value(kRoot, "curgroup"), Sz(std::string(64, 'h')));
    EXPECT_EQ(store.ReadGroupSettings(read), S::kNothingStored);
}

TEST_F(SettingsStoreTest, FontRoundTripsItsFourteenFieldsInTheirLayoutAndOnlyTheMarkerSaysItIsStored)
{
    FontDescription written{-110, 7, -900, 450, 700, 1, 2, 3, 128, 5, 6, 4, 49, {}};
    std::strcpy(written.faceName, Cp932Codec::FromUtf8("ＭＳ Ｐゴシック").c_str());
    EXPECT_EQ(store.WriteFont(written), S::kRead);
    const Path fontKey = Below({"Font"});
    EXPECT_EQ(ValueNames(fontKey), (Names{"FontSet", "CharSet", "ClipPrecision", "Escapement", "FaceName", "Height",
                                          "Italic", "Orientation", "OutPrecision", "PitchAndFamily", "Quality",
                                          "StrikeOut", "Underline", "Weight", "Width"}));
    EXPECT_EQ(Value(fontKey, "FontSet"), Dword(1));
    EXPECT_EQ(Value(fontKey, "Height"), Stored(B::kTypeBinary, Bytes(static_cast<uint32_t>(-110))));
    EXPECT_EQ(Value(fontKey, "CharSet"), Stored(B::kTypeBinary, "\x80"));
    EXPECT_EQ(Value(fontKey, "FaceName"), Sz(written.faceName));
    FontDescription read{};
    EXPECT_EQ(store.ReadFont(read), S::kRead);
    EXPECT_TRUE(Same(read, written));

    backend.tree().DeleteValue(fontKey, "FontSet");
    EXPECT_EQ(store.ReadFont(read), S::kNothingStored);
}

TEST_F(SettingsStoreTest, ValuesOfTheWrongSizeAreSkippedAndFieldsStayTerminated)
{
    for (const auto& [name, value] : std::vector<std::pair<const char*, Stored>>{
             {"FontSet", Dword(1)}, {"Height", {B::kTypeBinary, "\x01\x02"}}, {"Weight", {B::kTypeBinary, "12345678"}},
             {"CharSet", {B::kTypeBinary, Bytes(9)}}, {"Italic", {B::kTypeBinary, ""}},
             {"FaceName", {B::kTypeString, std::string(32, 'f')}}, {"Width", Dword(12)}})
        Set(Below({"Font"}), name, value);
    FontDescription font{};
    font.height = font.weight = 3;
    font.charSet = font.italic = 4;
    std::strcpy(font.faceName, "old");
    EXPECT_EQ(store.ReadFont(font), S::kRead);
    EXPECT_EQ(std::vector<int>({font.height, font.weight, font.charSet, font.italic, font.width}),
              std::vector<int>({3, 3, 4, 4, 12}));
    EXPECT_STREQ(font.faceName, "old");

    Set(kRoot, "curgroup", {B::kTypeString, "g"});
    Set(Below({"g"}), "path", Sz(std::string(300, 'p')));
    Set(Below({"g"}), "username", {B::kTypeString, "bare"});
    Set(Below({"g"}), "portno", {B::kTypeDword, "\x05"});
    GroupSettings settings{};
    std::strcpy(settings.messageFolder, "folder");
    std::memset(settings.userName, 'u', sizeof settings.userName);
    settings.portNumber = 77;
    EXPECT_EQ(store.ReadGroupSettings(settings), S::kRead);
    EXPECT_EQ(std::string(settings.messageFolder) + "|" + settings.userName, "folder|bare");
    EXPECT_EQ(settings.portNumber, 77);
}

TEST_F(SettingsStoreTest, ColorsWindowColumnsAndGroupsRoundTripWithTheirLayoutAndEnumKeyListsTheRoot)
{
    const PriorityColors colors{{0xFF, 0xFFFFFF, 0xFF0000, 0xFFFFFE, 0, 0x123456}};
    const ClientSizeRecord kSize{-8, 10, 622, 390, 3};
    const ColumnWidths kWidths{80, 200, 100, 120};
    GroupSettings written{};
    std::strcpy(written.userName, "taro");
    std::strcpy(written.groupName, group.c_str());
    std::strcpy(written.messageFolder, "\\\\server\\board\\");
    written.portNumber = 1500;
    written.popupOnReceipt = 1;
    EXPECT_EQ(store.WriteColors(colors), S::kRead);
    store.WriteClientSize(kSize);
    store.WriteColumnWidths(kWidths);
    store.WriteGroupSettings(written);
    EXPECT_EQ(Value(kRoot, "curgroup"), Sz(group));
    const std::tuple<Path, Names, std::string, uint32_t> layouts[] = {
        {Below({group}), {"path", "username", "popup", "portno"}, "portno", 1500},
        {Below({"Color", "title"}), {"EnFg", "EnBk", "InFg", "InBk", "NoFg", "NoBk"}, "InFg", 0xFF0000},
        {Below({"ClientSize"}), {"top", "bottom", "left", "right", "style"}, "left", static_cast<uint32_t>(-8)},
        {Below({"title", "size"}), {"number", "title", "name", "datetime"}, "datetime", 120},
    };
    for (const auto& [key, names, name, number] : layouts) {
        EXPECT_EQ(ValueNames(key), names);
        EXPECT_EQ(Value(key, name), Dword(number)) << name;
    }
    PriorityColors readColors{};
    ClientSizeRecord size{};
    ColumnWidths widths{};
    GroupSettings read{};
    EXPECT_EQ(store.ReadColors(readColors) + store.ReadClientSize(size) + store.ReadColumnWidths(widths) +
                  store.ReadGroupSettings(read), 0);
    EXPECT_TRUE(Same(readColors, colors) && Same(size, kSize) && Same(widths, kWidths) && Same(read, written));

    store.WriteFont(FontDescription{});
    Names names;
    char name[S::kKeyNameSize];
    for (uint32_t index = 0; store.EnumKey(index, name) == S::kRead; ++index)
        names.emplace_back(name);
    EXPECT_EQ(names, (Names{"ClientSize", "Color", "Font", "title", group}));
    std::strcpy(name, "untouched");
    EXPECT_EQ(store.EnumKey(5, name), B::kErrorNoMoreItems);
    backend.tree().CreateKey(Below({std::string(64, 'k')}));
    EXPECT_EQ(store.EnumKey(3, name), B::kErrorMoreData); // sorts before "title"
    EXPECT_STREQ(name, "untouched");

    // Each group keeps its own values; a backslash in a group name is a key separator.
    GroupSettings other = written;
    std::strcpy(other.groupName, "a\\b");
    other.portNumber = 2000;
    store.WriteGroupSettings(other);
    EXPECT_EQ(Value(Below({group}), "portno"), Dword(1500));
    EXPECT_EQ(Value(Below({"a", "b"}), "portno"), Dword(2000));
}

} // namespace
