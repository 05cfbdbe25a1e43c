#include "settings/SettingsStore.h"

#include "core/Cp932Codec.h"
#include "settings/MemorySettingsBackend.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using B = SettingsBackend;
using Path = SettingsTree::Path;

const Path kRoot{"Software", "QuorlBoard"};

Path Below(std::initializer_list<std::string> names)
{
    Path path = kRoot;
    path.insert(path.end(), names);
    return path;
}

std::string Dword(uint32_t n)
{
    return {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16), static_cast<char>(n >> 24)};
}

class SettingsStoreTest : public ::testing::Test
{
protected:
    void TearDown() override { EXPECT_EQ(backend.openHandles(), 0u); }

    std::vector<std::string> ValueNames(const Path& path) const
    {
        std::vector<std::string> names;
        if (const auto* values = backend.tree().Values(path)) {
            for (const auto& value : *values)
                names.push_back(value.name);
        }
        return names;
    }
    void ExpectValue(const Path& path, const std::string& name, uint32_t type, const std::string& data) const
    {
        const SettingsTree::Value* value = backend.tree().FindValue(path, name);
        ASSERT_NE(value, nullptr) << name;
        EXPECT_EQ(value->type, type) << name;
        EXPECT_EQ(value->data, data) << name;
    }

    MemorySettingsBackend backend;
    SettingsStore store{backend};
    const std::string group = Cp932Codec::FromUtf8("グループ１");
};

TEST_F(SettingsStoreTest, EmptyStoreReportsNothingAndCreatesOnlyRootAndFont)
{
    ClientSizeRecord size{1, 2, 3, 4, 5};
    PriorityColors colors{{7}};
    ColumnWidths widths{};
    EXPECT_EQ(store.ReadClientSize(size), SettingsStore::kKeyAbsent);
    EXPECT_EQ(store.ReadColors(colors), SettingsStore::kNothingStored);
    EXPECT_EQ(store.ReadColumnWidths(widths), SettingsStore::kKeyAbsent);
    EXPECT_TRUE(backend.tree() == SettingsTree());
    EXPECT_EQ(size.style + static_cast<int>(colors.colors[0]), 12);

    GroupSettings settings{};
    std::strcpy(settings.userName, "keep");
    EXPECT_EQ(store.ReadGroupSettings(settings), SettingsStore::kNothingStored);
    EXPECT_STREQ(settings.userName, "keep");
    EXPECT_TRUE(backend.tree().HasKey(kRoot));
    FontDescription font{};
    EXPECT_EQ(store.ReadFont(font), SettingsStore::kNothingStored);
    EXPECT_TRUE(backend.tree().HasKey(Below({"Font"})));
    EXPECT_TRUE(backend.tree().Values(Below({"Font"}))->empty());
}

TEST_F(SettingsStoreTest, GroupSettingsRoundTripWithTheirLayout)
{
    GroupSettings written{};
    std::strcpy(written.userName, "taro");
    std::strcpy(written.groupName, group.c_str());
    std::strcpy(written.messageFolder, "\\\\server\\board\\");
    written.portNumber = 1500;
    written.popupOnReceipt = 1;
    store.WriteGroupSettings(written);

    EXPECT_EQ(ValueNames(kRoot), (std::vector<std::string>{"curgroup", "Ver"}));
    ExpectValue(kRoot, "curgroup", B::kTypeString, group + '\0');
    ExpectValue(kRoot, "Ver", B::kTypeString, std::string("1.0", 4));
    const Path groupKey = Below({group});
    EXPECT_EQ(ValueNames(groupKey), (std::vector<std::string>{"path", "username", "popup", "portno"}));
    ExpectValue(groupKey, "path", B::kTypeString, std::string("\\\\server\\board\\") + '\0');
    ExpectValue(groupKey, "username", B::kTypeString, std::string("taro", 5));
    ExpectValue(groupKey, "popup", B::kTypeDword, Dword(1));
    ExpectValue(groupKey, "portno", B::kTypeDword, Dword(1500));

    GroupSettings read{};
    EXPECT_EQ(store.ReadGroupSettings(read), SettingsStore::kRead);
    EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);

    GroupSettings other = written;
    std::strcpy(other.groupName, "a\\b");
    other.portNumber = 2000;
    store.WriteGroupSettings(other);
    ExpectValue(groupKey, "portno", B::kTypeDword, Dword(1500));
    ExpectValue(Below({"a", "b"}), "portno", B::kTypeDword, Dword(2000));
    EXPECT_EQ(store.ReadGroupSettings(read), SettingsStore::kRead);
    EXPECT_STREQ(read.groupName, "a\\b");
    EXPECT_EQ(read.portNumber, 2000);

    backend.tree().DeleteValue(Below({"a", "b"}), "portno");
    read.portNumber = 4321;
    EXPECT_EQ(store.ReadGroupSettings(read), SettingsStore::kRead);
    EXPECT_EQ(read.portNumber, 4321);
}

TEST_F(SettingsStoreTest, ACurrentGroupThatDoesNotFitReadsAsNoGroup)
{
    GroupSettings read{};
    std::strcpy(read.groupName, "before");
    backend.tree().SetValue(kRoot, "curgroup", B::kTypeString, std::string(64, 'g') + '\0');
    EXPECT_EQ(store.ReadGroupSettings(read), SettingsStore::kNothingStored);
    backend.tree().SetValue(kRoot, "curgroup", B::kTypeString, std::string(64, 'g'));
    EXPECT_EQ(store.ReadGroupSettings(read), SettingsStore::kNothingStored);
    EXPECT_STREQ(read.groupName, "before");
    backend.tree().SetValue(kRoot, "curgroup", B::kTypeString, std::string(63, 'g'));
    EXPECT_EQ(store.ReadGroupSettings(read), SettingsStore::kRead);
    EXPECT_EQ(std::string(read.groupName), std::string(63, 'g'));

    // An unterminated field is never read past, and the result does not fit.
    GroupSettings full{};
    std::memset(full.groupName, 'h', sizeof full.groupName);
    store.WriteGroupSettings(full);
    EXPECT_EQ(backend.tree().FindValue(kRoot, "curgroup")->data, std::string(64, 'h') + '\0');
    EXPECT_EQ(store.ReadGroupSettings(read), SettingsStore::kNothingStored);
}

TEST_F(SettingsStoreTest, FontRoundTripsItsFourteenFieldsInTheirLayout)
{
    FontDescription written{-110, 7, -900, 450, 700, 1, 2, 3, 128, 5, 6, 4, 49, {}};
    std::strcpy(written.faceName, Cp932Codec::FromUtf8("ＭＳ Ｐゴシック").c_str());
    EXPECT_EQ(store.WriteFont(written), SettingsStore::kRead);

    const Path fontKey = Below({"Font"});
    EXPECT_EQ(ValueNames(fontKey),
              (std::vector<std::string>{"FontSet", "CharSet", "ClipPrecision", "Escapement", "FaceName",
                                        "Height", "Italic", "Orientation", "OutPrecision", "PitchAndFamily",
                                        "Quality", "StrikeOut", "Underline", "Weight", "Width"}));
    ExpectValue(fontKey, "FontSet", B::kTypeDword, Dword(1));
    ExpectValue(fontKey, "Height", B::kTypeBinary, Dword(static_cast<uint32_t>(-110)));
    ExpectValue(fontKey, "CharSet", B::kTypeBinary, "\x80");
    ExpectValue(fontKey, "FaceName", B::kTypeString, std::string(written.faceName) + '\0');

    FontDescription read{};
    EXPECT_EQ(store.ReadFont(read), SettingsStore::kRead);
    EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);
}

TEST_F(SettingsStoreTest, OnlyTheFontSetMarkerDecidesWhetherAFontIsStored)
{
    FontDescription font{};
    font.height = 110;
    store.WriteFont(font);
    backend.tree().DeleteValue(Below({"Font"}), "FontSet");
    EXPECT_EQ(store.ReadFont(font), SettingsStore::kNothingStored);
    backend.tree().SetValue(Below({"Font"}), "fontset", B::kTypeString, "x");
    EXPECT_EQ(store.ReadFont(font), SettingsStore::kRead);
    backend.tree().SetValue(Below({"Font"}), "FontSet", B::kTypeBinary, "");
    EXPECT_EQ(store.ReadFont(font), SettingsStore::kRead);
    backend.tree().SetValue(Below({"Font"}), "FontSet", B::kTypeBinary, "12345");
    EXPECT_EQ(store.ReadFont(font), SettingsStore::kNothingStored);
}

TEST_F(SettingsStoreTest, ValuesOfTheWrongSizeAreSkippedAndFieldsStayTerminated)
{
    const Path fontKey = Below({"Font"});
    backend.tree().SetValue(fontKey, "FontSet", B::kTypeDword, Dword(1));
    backend.tree().SetValue(fontKey, "Height", B::kTypeBinary, "\x01\x02");
    backend.tree().SetValue(fontKey, "Weight", B::kTypeBinary, "12345678");
    backend.tree().SetValue(fontKey, "CharSet", B::kTypeBinary, Dword(9));
    backend.tree().SetValue(fontKey, "Italic", B::kTypeBinary, "");
    backend.tree().SetValue(fontKey, "FaceName", B::kTypeString, std::string(32, 'f'));
    backend.tree().SetValue(fontKey, "Width", B::kTypeDword, Dword(12));
    FontDescription font{};
    font.height = font.weight = 3;
    font.charSet = font.italic = 4;
    std::strcpy(font.faceName, "old");
    EXPECT_EQ(store.ReadFont(font), SettingsStore::kRead);
    EXPECT_EQ(font.height, 3);
    EXPECT_EQ(font.weight, 3);
    EXPECT_EQ(font.charSet, 4);
    EXPECT_EQ(font.italic, 4);
    EXPECT_STREQ(font.faceName, "old");
    EXPECT_EQ(font.width, 12);

    backend.tree().SetValue(kRoot, "curgroup", B::kTypeString, "g");
    const Path groupKey = Below({"g"});
    backend.tree().SetValue(groupKey, "path", B::kTypeString, std::string(300, 'p') + '\0');
    backend.tree().SetValue(groupKey, "username", B::kTypeString, "bare");
    backend.tree().SetValue(groupKey, "portno", B::kTypeDword, "\x05");
    GroupSettings settings{};
    std::strcpy(settings.messageFolder, "folder");
    std::memset(settings.userName, 'u', sizeof settings.userName);
    settings.portNumber = 77;
    EXPECT_EQ(store.ReadGroupSettings(settings), SettingsStore::kRead);
    EXPECT_STREQ(settings.messageFolder, "folder");
    EXPECT_STREQ(settings.userName, "bare");
    EXPECT_EQ(settings.portNumber, 77);
}

TEST_F(SettingsStoreTest, ColorsWindowAndColumnsRoundTripWithTheirLayout)
{
    const PriorityColors colors{{0xFF, 0xFFFFFF, 0xFF0000, 0xFFFFFE, 0, 0x123456}};
    EXPECT_EQ(store.WriteColors(colors), SettingsStore::kRead);
    const ClientSizeRecord kSize{-8, 10, 622, 390, 3};
    const ColumnWidths kWidths{80, 200, 100, 120};
    store.WriteClientSize(kSize);
    store.WriteColumnWidths(kWidths);

    EXPECT_EQ(ValueNames(Below({"Color", "title"})),
              (std::vector<std::string>{"EnFg", "EnBk", "InFg", "InBk", "NoFg", "NoBk"}));
    ExpectValue(Below({"Color", "title"}), "InFg", B::kTypeDword, Dword(0xFF0000));
    EXPECT_EQ(ValueNames(Below({"ClientSize"})), (std::vector<std::string>{"top", "bottom", "left", "right", "style"}));
    ExpectValue(Below({"ClientSize"}), "left", B::kTypeDword, Dword(static_cast<uint32_t>(-8)));
    EXPECT_EQ(ValueNames(Below({"title", "size"})), (std::vector<std::string>{"number", "title", "name", "datetime"}));
    ExpectValue(Below({"title", "size"}), "datetime", B::kTypeDword, Dword(120));

    PriorityColors readColors{};
    ClientSizeRecord size{};
    ColumnWidths widths{};
    EXPECT_EQ(store.ReadColors(readColors) + store.ReadClientSize(size) + store.ReadColumnWidths(widths), 0);
    EXPECT_EQ(std::memcmp(&readColors, &colors, sizeof colors), 0);
    EXPECT_EQ(std::memcmp(&size, &kSize, sizeof size), 0);
    EXPECT_EQ(std::memcmp(&widths, &kWidths, sizeof widths), 0);
}

TEST_F(SettingsStoreTest, EnumKeyListsTheRootsSubKeysThenNoMoreItems)
{
    GroupSettings settings{};
    std::strcpy(settings.groupName, group.c_str());
    store.WriteGroupSettings(settings);
    store.WriteFont(FontDescription{});
    store.WriteColors(PriorityColors{});
    store.WriteClientSize(ClientSizeRecord{});
    store.WriteColumnWidths(ColumnWidths{});

    std::vector<std::string> names;
    char name[SettingsStore::kKeyNameSize];
    for (uint32_t index = 0; index < 5; ++index) {
        ASSERT_EQ(store.EnumKey(index, name), SettingsStore::kRead);
        names.emplace_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"ClientSize", "Color", "Font", "title", group}));
    std::strcpy(name, "untouched");
    EXPECT_EQ(store.EnumKey(5, name), B::kErrorNoMoreItems);
    EXPECT_STREQ(name, "untouched");

    backend.tree().CreateKey(Below({std::string(64, 'k')}));
    EXPECT_EQ(store.EnumKey(3, name), B::kErrorMoreData); // sorts before "title"
    EXPECT_STREQ(name, "untouched");
}

TEST_F(SettingsStoreTest, GroupNamesWhoseSecondBytesLookLikeTheSeparatorStayOneKey)
{
    // ソ and 表 end in 0x5C, the byte of the key separator.
    const std::string kana = Cp932Codec::FromUtf8("ソフト開発表");
    GroupSettings settings{};
    std::strcpy(settings.groupName, kana.c_str());
    settings.portNumber = 2000;
    store.WriteGroupSettings(settings);
    ExpectValue(Below({kana}), "portno", B::kTypeDword, Dword(2000));

    char name[SettingsStore::kKeyNameSize];
    ASSERT_EQ(store.EnumKey(0, name), SettingsStore::kRead);
    EXPECT_EQ(std::string(name), kana);
    EXPECT_EQ(store.EnumKey(1, name), B::kErrorNoMoreItems);

    GroupSettings read{};
    ASSERT_EQ(store.ReadGroupSettings(read), SettingsStore::kRead);
    EXPECT_EQ(read.portNumber, 2000);
}

// A backend on which no key can be opened or created.
class LockedBackend : public MemorySettingsBackend
{
public:
    int CreateKey(std::string_view, Handle*) override { return kErrorAccessDenied; }
    int OpenKey(std::string_view, Handle*) override { return kErrorAccessDenied; }
};

TEST(SettingsStoreFailureTest, KeysThatCannotBeOpenedMeanNothingStoredAndNoWrites)
{
    LockedBackend backend;
    SettingsStore store(backend);
    GroupSettings settings{};
    FontDescription font{};
    PriorityColors colors{};
    ClientSizeRecord size{};
    ColumnWidths widths{};
    store.WriteGroupSettings(settings);
    store.WriteColors(colors);
    EXPECT_EQ(store.ReadGroupSettings(settings), SettingsStore::kNothingStored);
    EXPECT_EQ(store.ReadFont(font), SettingsStore::kNothingStored);
    EXPECT_EQ(store.ReadColors(colors), SettingsStore::kNothingStored);
    EXPECT_EQ(store.ReadClientSize(size), SettingsStore::kKeyAbsent);
    EXPECT_EQ(store.ReadColumnWidths(widths), SettingsStore::kKeyAbsent);
    char name[SettingsStore::kKeyNameSize] = "untouched";
    EXPECT_EQ(store.EnumKey(0, name), B::kErrorAccessDenied);
    EXPECT_STREQ(name, "untouched");
    EXPECT_TRUE(backend.tree() == SettingsTree());
}

} // namespace
