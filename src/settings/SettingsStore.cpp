#include "SettingsStore.h"

#include "core/Cp932Codec.h"
#include "core/HostIdentity.h"
#include "core/RecordField.h"
#include "settings/ExtraTargets.h"
#include "settings/FileSettingsBackend.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

using Backend = SettingsBackend;

constexpr std::string_view kRootKey = "Software\\QuorlBoard";
constexpr std::string_view kFontKey = "Font";
constexpr std::string_view kColorKey = "Color\\title";
constexpr std::string_view kClientSizeKey = "ClientSize";
constexpr std::string_view kColumnWidthsKey = "title\\size";
// A choice of this program only, beside the current group's name; the
// Windows program never reads it.
constexpr std::string_view kDesktopNotify = "DesktopNotify";
constexpr std::string_view kExtraTargets = "ExtraTargets";
constexpr uint32_t kExtraTargetsSize = 64 * 1024;

constexpr std::string_view kCurrentGroup = "curgroup";
constexpr std::string_view kVersionName = "Ver";
constexpr char kVersion[] = "1.0";
constexpr std::string_view kMessageFolder = "path";
constexpr std::string_view kUserName = "username";
constexpr std::string_view kPopup = "popup";
constexpr std::string_view kPortNumber = "portno";
constexpr std::string_view kFontSet = "FontSet";
constexpr uint32_t kFontSetMarker = 1;

constexpr uint32_t kDwordSize = 4;

// One line per value, in the order they are written and read. The face name
// is the one field with neither pointer.
struct FontField
{
    std::string_view name;
    uint8_t FontDescription::*byteField = nullptr;
    int32_t FontDescription::*numberField = nullptr;
};

constexpr FontField kFontFields[] = {
    {.name = "CharSet", .byteField = &FontDescription::charSet},
    {.name = "ClipPrecision", .byteField = &FontDescription::clipPrecision},
    {.name = "Escapement", .numberField = &FontDescription::escapement},
    {.name = "FaceName"},
    {.name = "Height", .numberField = &FontDescription::height},
    {.name = "Italic", .byteField = &FontDescription::italic},
    {.name = "Orientation", .numberField = &FontDescription::orientation},
    {.name = "OutPrecision", .byteField = &FontDescription::outPrecision},
    {.name = "PitchAndFamily", .byteField = &FontDescription::pitchAndFamily},
    {.name = "Quality", .byteField = &FontDescription::quality},
    {.name = "StrikeOut", .byteField = &FontDescription::strikeOut},
    {.name = "Underline", .byteField = &FontDescription::underline},
    {.name = "Weight", .numberField = &FontDescription::weight},
    {.name = "Width", .numberField = &FontDescription::width},
};

constexpr std::string_view kColorNames[PriorityColors::kCount] = {"EnFg", "EnBk", "InFg",
                                                                  "InBk", "NoFg", "NoBk"};

struct ClientSizeField
{
    std::string_view name;
    int32_t ClientSizeRecord::*field;
};

constexpr ClientSizeField kClientSizeFields[] = {
    {"top", &ClientSizeRecord::top},   {"bottom", &ClientSizeRecord::bottom},
    {"left", &ClientSizeRecord::left}, {"right", &ClientSizeRecord::right},
    {"style", &ClientSizeRecord::style},
};

struct ColumnWidthField
{
    std::string_view name;
    int32_t ColumnWidths::*field;
};

constexpr ColumnWidthField kColumnWidthFields[] = {
    {"number", &ColumnWidths::number},
    {"title", &ColumnWidths::title},
    {"name", &ColumnWidths::name},
    {"datetime", &ColumnWidths::datetime},
};

std::string KeyPath(std::string_view subKey)
{
    std::string path(kRootKey);
    if (!subKey.empty()) {
        path += '\\';
        path += subKey;
    }
    return path;
}

void EncodeLittleEndian(uint32_t number, uint8_t (&bytes)[kDwordSize])
{
    for (uint32_t i = 0; i < kDwordSize; ++i)
        bytes[i] = static_cast<uint8_t>(number >> (8 * i));
}

uint32_t DecodeLittleEndian(const uint8_t (&bytes)[kDwordSize])
{
    uint32_t number = 0;
    for (uint32_t i = 0; i < kDwordSize; ++i)
        number |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return number;
}

} // namespace

SettingsStore::SettingsStore() : SettingsStore(UserBackend()) {}

FileSettingsBackend& SettingsStore::UserBackend()
{
    static FileSettingsBackend backend(FileSettingsBackend::DefaultFilePath());
    return backend;
}

SettingsStore::Handle SettingsStore::CreateKey(std::string_view subKey)
{
    Handle handle = Backend::kNoHandle;
    return backend_.CreateKey(KeyPath(subKey), &handle) == Backend::kSuccess ? handle : Backend::kNoHandle;
}

SettingsStore::Handle SettingsStore::OpenKey(std::string_view subKey)
{
    Handle handle = Backend::kNoHandle;
    return backend_.OpenKey(KeyPath(subKey), &handle) == Backend::kSuccess ? handle : Backend::kNoHandle;
}

void SettingsStore::CloseKey(Handle handle)
{
    backend_.CloseKey(handle);
}

// Copies the text only when it fits the field with its terminating zero,
// whether or not the stored value carries one.
bool SettingsStore::ReadText(Handle key, std::string_view name, char* field, uint32_t fieldSize)
{
    std::string buffer(fieldSize, '\0');
    uint32_t size = fieldSize;
    if (backend_.QueryValue(key, name, nullptr, buffer.data(), &size) != Backend::kSuccess)
        return false;
    const size_t length = strnlen(buffer.data(), size);
    if (length >= fieldSize)
        return false;
    std::memcpy(field, buffer.data(), length);
    field[length] = '\0';
    return true;
}

bool SettingsStore::ReadBytes(Handle key, std::string_view name, uint8_t* bytes, uint32_t size)
{
    uint8_t buffer[kDwordSize] = {};
    uint32_t got = size;
    if (size > kDwordSize || backend_.QueryValue(key, name, nullptr, buffer, &got) != Backend::kSuccess ||
        got != size)
        return false;
    std::memcpy(bytes, buffer, size);
    return true;
}

void SettingsStore::ReadUInt32(Handle key, std::string_view name, uint32_t& field)
{
    uint8_t bytes[kDwordSize];
    if (ReadBytes(key, name, bytes, kDwordSize))
        field = DecodeLittleEndian(bytes);
}

void SettingsStore::ReadInt32(Handle key, std::string_view name, int32_t& field)
{
    uint32_t number = static_cast<uint32_t>(field);
    ReadUInt32(key, name, number);
    field = static_cast<int32_t>(number);
}

void SettingsStore::ReadByte(Handle key, std::string_view name, uint8_t& field)
{
    ReadBytes(key, name, &field, 1);
}

// Never reads past the field; a field without a terminating zero is stored
// whole and so will not fit when read back.
void SettingsStore::WriteText(Handle key, std::string_view name, const char* field, uint32_t fieldSize)
{
    std::string text(field, strnlen(field, fieldSize));
    text += '\0';
    backend_.SetValue(key, name, Backend::kTypeString, text.data(), static_cast<uint32_t>(text.size()));
}

void SettingsStore::WriteDword(Handle key, std::string_view name, uint32_t number)
{
    uint8_t bytes[kDwordSize];
    EncodeLittleEndian(number, bytes);
    backend_.SetValue(key, name, Backend::kTypeDword, bytes, kDwordSize);
}

void SettingsStore::WriteBinary32(Handle key, std::string_view name, int32_t number)
{
    uint8_t bytes[kDwordSize];
    EncodeLittleEndian(static_cast<uint32_t>(number), bytes);
    backend_.SetValue(key, name, Backend::kTypeBinary, bytes, kDwordSize);
}

void SettingsStore::WriteByte(Handle key, std::string_view name, uint8_t byte)
{
    backend_.SetValue(key, name, Backend::kTypeBinary, &byte, 1);
}

int SettingsStore::ReadGroupSettings(GroupSettings& settings)
{
    Handle root = CreateKey({});
    if (root == Backend::kNoHandle)
        return kNothingStored;
    char groupName[GroupSettings::kGroupNameSize];
    const bool found = ReadText(root, kCurrentGroup, groupName, sizeof groupName);
    CloseKey(root);
    if (!found)
        return kNothingStored;

    Handle group = CreateKey(groupName);
    if (group == Backend::kNoHandle)
        return kNothingStored;
    std::memcpy(settings.groupName, groupName, std::strlen(groupName) + 1);
    ReadGroupValues(group, settings);
    return kRead;
}

GroupSettings SettingsStore::FirstRunSettings()
{
    GroupSettings settings;
    RecordField::Set(settings.groupName, Cp932Codec::FromUtf8(GroupSettings::kDefaultGroupName));
    RecordField::Set(settings.userName, Cp932Codec::FromUtf8(HostIdentity::LoginName()));
    settings.portNumber = GroupSettings::kDefaultPort;
    return settings;
}

int SettingsStore::ReadNamedGroup(std::string_view groupName, GroupSettings& settings)
{
    if (groupName.empty() || groupName.size() >= sizeof settings.groupName)
        return kKeyAbsent;
    Handle group = OpenKey(groupName);
    if (group == Backend::kNoHandle)
        return kKeyAbsent;
    // The name may be the record's own field.
    RecordField::Set(settings.groupName, std::string(groupName));
    ReadGroupValues(group, settings);
    return kRead;
}

bool SettingsStore::IsReservedKeyName(std::string_view name)
{
    auto same = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    };
    for (std::string_view reserved : {kFontKey, kColorKey.substr(0, kColorKey.find('\\')), kClientSizeKey,
                                      kColumnWidthsKey.substr(0, kColumnWidthsKey.find('\\'))})
        if (same(name, reserved))
            return true;
    return false;
}

void SettingsStore::ReadGroupValues(Handle group, GroupSettings& settings)
{
    ReadText(group, kMessageFolder, settings.messageFolder, sizeof settings.messageFolder);
    ReadText(group, kUserName, settings.userName, sizeof settings.userName);
    ReadInt32(group, kPopup, settings.popupOnReceipt);
    ReadInt32(group, kPortNumber, settings.portNumber);
    CloseKey(group);
}

void SettingsStore::WriteGroupSettings(const GroupSettings& settings)
{
    Handle root = CreateKey({});
    if (root == Backend::kNoHandle)
        return;
    WriteText(root, kCurrentGroup, settings.groupName, sizeof settings.groupName);
    backend_.SetValue(root, kVersionName, Backend::kTypeString, kVersion, sizeof kVersion);
    CloseKey(root);

    Handle group = CreateKey(RecordField::Text(settings.groupName));
    if (group == Backend::kNoHandle)
        return;
    WriteText(group, kMessageFolder, settings.messageFolder, sizeof settings.messageFolder);
    WriteText(group, kUserName, settings.userName, sizeof settings.userName);
    WriteDword(group, kPopup, static_cast<uint32_t>(settings.popupOnReceipt));
    WriteDword(group, kPortNumber, static_cast<uint32_t>(settings.portNumber));
    CloseKey(group);
}

int SettingsStore::ReadFont(FontDescription& font)
{
    Handle key = CreateKey(kFontKey);
    if (key == Backend::kNoHandle)
        return kNothingStored;
    uint8_t marker[kDwordSize];
    uint32_t size = kDwordSize;
    if (backend_.QueryValue(key, kFontSet, nullptr, marker, &size) != Backend::kSuccess) {
        CloseKey(key);
        return kNothingStored;
    }
    for (const FontField& field : kFontFields) {
        if (field.byteField != nullptr)
            ReadByte(key, field.name, font.*field.byteField);
        else if (field.numberField != nullptr)
            ReadInt32(key, field.name, font.*field.numberField);
        else
            ReadText(key, field.name, font.faceName, sizeof font.faceName);
    }
    CloseKey(key);
    return kRead;
}

int SettingsStore::WriteFont(const FontDescription& font)
{
    Handle key = CreateKey(kFontKey);
    if (key == Backend::kNoHandle)
        return kRead;
    WriteDword(key, kFontSet, kFontSetMarker);
    for (const FontField& field : kFontFields) {
        if (field.byteField != nullptr)
            WriteByte(key, field.name, font.*field.byteField);
        else if (field.numberField != nullptr)
            WriteBinary32(key, field.name, font.*field.numberField);
        else
            WriteText(key, field.name, font.faceName, sizeof font.faceName);
    }
    CloseKey(key);
    return kRead;
}

int SettingsStore::ReadColors(PriorityColors& colors)
{
    Handle key = OpenKey(kColorKey);
    if (key == Backend::kNoHandle)
        return kNothingStored;
    for (int i = 0; i < PriorityColors::kCount; ++i)
        ReadUInt32(key, kColorNames[i], colors.colors[i]);
    CloseKey(key);
    return kRead;
}

int SettingsStore::WriteColors(const PriorityColors& colors)
{
    Handle key = CreateKey(kColorKey);
    if (key == Backend::kNoHandle)
        return kRead;
    for (int i = 0; i < PriorityColors::kCount; ++i)
        WriteDword(key, kColorNames[i], colors.colors[i]);
    CloseKey(key);
    return kRead;
}

int SettingsStore::ReadClientSize(ClientSizeRecord& size)
{
    Handle key = OpenKey(kClientSizeKey);
    if (key == Backend::kNoHandle)
        return kKeyAbsent;
    for (const ClientSizeField& field : kClientSizeFields)
        ReadInt32(key, field.name, size.*field.field);
    CloseKey(key);
    return kRead;
}

void SettingsStore::WriteClientSize(const ClientSizeRecord& size)
{
    Handle key = CreateKey(kClientSizeKey);
    if (key == Backend::kNoHandle)
        return;
    for (const ClientSizeField& field : kClientSizeFields)
        WriteDword(key, field.name, static_cast<uint32_t>(size.*field.field));
    CloseKey(key);
}

int SettingsStore::ReadColumnWidths(ColumnWidths& widths)
{
    Handle key = OpenKey(kColumnWidthsKey);
    if (key == Backend::kNoHandle)
        return kKeyAbsent;
    for (const ColumnWidthField& field : kColumnWidthFields)
        ReadInt32(key, field.name, widths.*field.field);
    CloseKey(key);
    return kRead;
}

void SettingsStore::WriteColumnWidths(const ColumnWidths& widths)
{
    Handle key = CreateKey(kColumnWidthsKey);
    if (key == Backend::kNoHandle)
        return;
    for (const ColumnWidthField& field : kColumnWidthFields)
        WriteDword(key, field.name, static_cast<uint32_t>(widths.*field.field));
    CloseKey(key);
}

std::vector<std::string> SettingsStore::ReadExtraTargets(std::string_view groupName)
{
    std::vector<std::string> entries;
    Handle group = OpenKey(groupName);
    if (group == Backend::kNoHandle)
        return entries;
    std::string text(kExtraTargetsSize, '\0');
    uint32_t size = kExtraTargetsSize;
    uint32_t type = 0;
    if (backend_.QueryValue(group, kExtraTargets, &type, text.data(), &size) == Backend::kSuccess &&
        type == Backend::kTypeString) {
        text.resize(strnlen(text.data(), size));
        ExtraTargets::Parse(text, entries);
    }
    CloseKey(group);
    return entries;
}

void SettingsStore::WriteExtraTargets(std::string_view groupName, const std::vector<std::string>& entries)
{
    Handle group = CreateKey(groupName);
    if (group == Backend::kNoHandle)
        return;
    const std::string text = ExtraTargets::Join(entries);
    backend_.SetValue(group, kExtraTargets, Backend::kTypeString, text.c_str(), static_cast<uint32_t>(text.size() + 1));
    CloseKey(group);
}

bool SettingsStore::ReadDesktopNotify()
{
    uint32_t on = 1;
    if (Handle key = OpenKey({}); key != Backend::kNoHandle) {
        ReadUInt32(key, kDesktopNotify, on);
        CloseKey(key);
    }
    return on != 0;
}

void SettingsStore::WriteDesktopNotify(bool on)
{
    Handle key = CreateKey({});
    if (key == Backend::kNoHandle)
        return;
    WriteDword(key, kDesktopNotify, on ? 1 : 0);
    CloseKey(key);
}

int SettingsStore::EnumKey(uint32_t index, char (&name)[kKeyNameSize])
{
    Handle root = Backend::kNoHandle;
    const int opened = backend_.CreateKey(KeyPath({}), &root);
    if (opened != Backend::kSuccess)
        return opened;
    char buffer[kKeyNameSize];
    uint32_t size = kKeyNameSize;
    const int result = backend_.EnumKey(root, index, buffer, &size);
    if (result == Backend::kSuccess)
        std::memcpy(name, buffer, size + 1);
    CloseKey(root);
    return result;
}
