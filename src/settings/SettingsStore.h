#pragma once

#include "settings/SettingsBackend.h"
#include "settings/SettingsRecords.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class FileSettingsBackend;

// The program's per-user settings, below Software\QuorlBoard. Holds no
// state: each operation opens its key, does its work and closes it again, so
// instances are made where needed. Reports nothing to the user; a read that
// finds nothing leaves the record alone and the caller puts in defaults.
// A value that is absent, of another size than its field or too long for it
// is skipped, keeping the field's content.
class SettingsStore
{
public:
    static constexpr int kRead = 0;
    static constexpr int kNothingStored = 1; // ReadGroupSettings, ReadFont, ReadColors
    static constexpr int kKeyAbsent = -1;    // ReadClientSize, ReadColumnWidths
    static constexpr int kKeyNameSize = 64;

    explicit SettingsStore(SettingsBackend& backend) : backend_(backend) {}
    // Over the current user's settings file.
    SettingsStore();

    // The current user's settings file, shared by all stores of the program.
    static FileSettingsBackend& UserBackend();

    int ReadGroupSettings(GroupSettings& settings);
    // What a first run starts from: the default group and port, the login
    // name, no folder, no pop-up.
    static GroupSettings FirstRunSettings();
    // The group key is named by groupName; a backslash in it nests keys.
    void WriteGroupSettings(const GroupSettings& settings);
    // The stored values of one group without making it current: kRead, or
    // kKeyAbsent with the record untouched.
    int ReadNamedGroup(std::string_view groupName, GroupSettings& settings);
    // Sub-keys of the root that hold other settings than a group's.
    static bool IsReservedKeyName(std::string_view name);
    int ReadFont(FontDescription& font);
    int WriteFont(const FontDescription& font);
    int ReadColors(PriorityColors& colors);
    int WriteColors(const PriorityColors& colors);
    int ReadClientSize(ClientSizeRecord& size);
    void WriteClientSize(const ClientSizeRecord& size);
    int ReadColumnWidths(ColumnWidths& widths);
    void WriteColumnWidths(const ColumnWidths& widths);
    // The group's extra destinations (ExtraTargets), a value the Windows
    // program does not read. Entries a hand-edited value got wrong are left out.
    std::vector<std::string> ReadExtraTargets(std::string_view groupName);
    void WriteExtraTargets(std::string_view groupName, const std::vector<std::string>& entries);
    // Whether board changes and direct messages show desktop notifications;
    // on unless the member turned them off.
    bool ReadDesktopNotify();
    void WriteDesktopNotify(bool on);

    // The index-th sub-key of Software\QuorlBoard: kRead and its name, or the
    // backend's code (SettingsBackend::kErrorNoMoreItems past the last) with
    // the buffer untouched.
    int EnumKey(uint32_t index, char (&name)[kKeyNameSize]);

private:
    using Handle = SettingsBackend::Handle;

    Handle CreateKey(std::string_view subKey);
    void ReadGroupValues(Handle group, GroupSettings& settings); // closes the key
    Handle OpenKey(std::string_view subKey);
    void CloseKey(Handle handle);

    bool ReadText(Handle key, std::string_view name, char* field, uint32_t fieldSize);
    bool ReadBytes(Handle key, std::string_view name, uint8_t* bytes, uint32_t size);
    void ReadInt32(Handle key, std::string_view name, int32_t& field);
    void ReadUInt32(Handle key, std::string_view name, uint32_t& field);
    void ReadByte(Handle key, std::string_view name, uint8_t& field);

    void WriteText(Handle key, std::string_view name, const char* field, uint32_t fieldSize);
    void WriteDword(Handle key, std::string_view name, uint32_t number);
    void WriteBinary32(Handle key, std::string_view name, int32_t number);
    void WriteByte(Handle key, std::string_view name, uint8_t byte);

    SettingsBackend& backend_;
};
