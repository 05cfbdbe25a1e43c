#pragma once

#include "core/LockFile.h"
#include "settings/MemorySettingsBackend.h"
#include "settings/SettingsBackend.h"
#include "settings/SettingsTree.h"

#include <chrono>
#include <string>
#include <vector>

// The per-user settings, kept in a text file (SettingsFileFormat) that
// several running programs share. Changes made through a handle are saved
// when it is closed: under the lock file beside the settings file, the file
// is read afresh, the changes are applied to it and it is replaced
// atomically, so no program loses another's values. Reads pick up the file
// again whenever another program has replaced it. Used from one thread.
class FileSettingsBackend : public SettingsBackend
{
public:
    static constexpr const char* kFileName = "settings.reg";
    static constexpr const char* kLockSuffix = ".lock";
    // A file with lines that could not be read is copied here before it is
    // first replaced, so that nothing is lost without a trace.
    static constexpr const char* kDamagedSuffix = ".damaged";
    // A real settings file holds a few kilobytes: the font, the colours, the
    // window and about 200 bytes per group. A larger file than this, room for
    // thousands of groups, is not settings: it is not read at all, reads as
    // holding nothing, and is moved to the damaged name when first replaced.
    static constexpr size_t kMaxFileSize = 1 << 20;

    explicit FileSettingsBackend(std::string filePath,
                                 std::chrono::milliseconds lockWait = LockFile::kDefaultWait);

    // In $QUORLBOARD_CONFIG_DIR if set, else in QuorlBoard below
    // $XDG_CONFIG_HOME, else in ~/.config/QuorlBoard.
    static std::string DefaultFilePath();

    int CreateKey(std::string_view path, Handle* handle) override;
    int OpenKey(std::string_view path, Handle* handle) override;
    int QueryValue(Handle handle, std::string_view name, uint32_t* type, void* data,
                   uint32_t* size) override;
    int SetValue(Handle handle, std::string_view name, uint32_t type, const void* data,
                 uint32_t size) override;
    int EnumKey(Handle handle, uint32_t index, char* name, uint32_t* nameSize) override;
    // Saves the handle's changes: kErrorBusy when another program held the
    // lock all the time, kErrorAccessDenied when the folder, the lock or the
    // present file cannot be used, kErrorWriteFault when saving failed. The
    // changes are dropped on failure.
    int CloseKey(Handle handle) override;

    const std::string& path() const { return path_; }
    // True while the file is too large to be read.
    bool TooLarge();

private:
    struct Change
    {
        Handle owner = kNoHandle;
        SettingsTree::Path path;
        bool setsValue = false;
        std::string name;
        uint32_t type = 0;
        std::string data;
    };

    struct FileStamp
    {
        bool exists = false;
        uint64_t device = 0;
        uint64_t inode = 0;
        int64_t size = 0;
        int64_t modifiedNs = 0;
        int64_t changedNs = 0;

        bool operator==(const FileStamp&) const = default;
    };

    struct Snapshot
    {
        bool readable = false;
        std::string text;
        SettingsTree tree;
        size_t unreadableLines = 0;
        bool tooLarge = false;
        FileStamp stamp;
    };

    static FileStamp Stat(const std::string& path, std::error_code* error = nullptr);
    static bool IsRecent(const FileStamp& stamp);
    static bool Apply(SettingsTree& tree, const Change& change);

    Snapshot ReadFile() const;
    void Refresh();
    void RebuildView();
    int Save(const std::vector<Change>& changes);

    std::string path_;
    std::chrono::milliseconds lockWait_;
    Snapshot saved_;
    bool loaded_ = false;
    // The file's timestamps are too coarse to tell two writes within a
    // moment apart, so a recently written file is compared by content.
    bool recent_ = false;
    MemorySettingsBackend view_; // the file plus the changes not saved yet
    std::vector<Change> pending_;
};
