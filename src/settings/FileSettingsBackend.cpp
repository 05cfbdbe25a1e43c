#include "FileSettingsBackend.h"

#include "core/AtomicFile.h"
#include "core/FilePath.h"
#include "core/HostIdentity.h"
#include "settings/SettingsFileFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <sys/stat.h>

namespace {

constexpr const char* kConfigDirVariable = "QUORLBOARD_CONFIG_DIR";
constexpr const char* kXdgConfigVariable = "XDG_CONFIG_HOME";
constexpr const char* kHomeConfigFolder = "/.config";
constexpr const char* kApplicationFolder = "/QuorlBoard";
constexpr mode_t kFolderMode = 0700;
constexpr int64_t kNsPerSecond = 1'000'000'000;
// Wide enough for coarse file system clocks and a network share's own clock.
constexpr int64_t kRecentNs = 3 * kNsPerSecond;
constexpr int kReadAttempts = 5;

const char* NonEmptyVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

int64_t Nanoseconds(const timespec& time)
{
    return static_cast<int64_t>(time.tv_sec) * kNsPerSecond + time.tv_nsec;
}

} // namespace

FileSettingsBackend::FileSettingsBackend(std::string filePath, std::chrono::milliseconds lockWait)
    : path_(std::move(filePath)), lockWait_(lockWait)
{
}

std::string FileSettingsBackend::DefaultFilePath()
{
    const std::string file = std::string("/") + kFileName;
    if (const char* folder = NonEmptyVariable(kConfigDirVariable))
        return folder + file;
    const char* xdg = NonEmptyVariable(kXdgConfigVariable);
    const std::string base = xdg != nullptr && xdg[0] == '/' ? std::string(xdg)
                                                             : HostIdentity::HomeFolder() + kHomeConfigFolder;
    return base + kApplicationFolder + file;
}

FileSettingsBackend::FileStamp FileSettingsBackend::Stat(const std::string& path, std::error_code* error)
{
    struct stat st {};
    FileStamp stamp;
    if (::stat(path.c_str(), &st) != 0) {
        if (error != nullptr)
            *error = LastSystemError();
        return stamp;
    }
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modifiedNs = Nanoseconds(st.st_mtim);
    stamp.changedNs = Nanoseconds(st.st_ctim);
    return stamp;
}

bool FileSettingsBackend::IsRecent(const FileStamp& stamp)
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const int64_t latest = std::max(stamp.modifiedNs, stamp.changedNs);
    return Nanoseconds(now) - latest < kRecentNs;
}

bool FileSettingsBackend::Apply(SettingsTree& tree, const Change& change)
{
    return change.setsValue ? tree.SetValue(change.path, change.name, change.type, change.data)
                            : tree.CreateKey(change.path);
}

// The stamp must describe the very file that was read: files are replaced,
// never rewritten, so an unchanged stamp around the read proves it.
FileSettingsBackend::Snapshot FileSettingsBackend::ReadFile() const
{
    Snapshot snapshot;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        std::error_code error;
        snapshot.stamp = Stat(path_, &error);
        if (!snapshot.stamp.exists) {
            snapshot.readable = error == std::errc::no_such_file_or_directory;
            snapshot.text.clear();
            return snapshot;
        }
        snapshot.readable = AtomicFile::ReadAll(path_, snapshot.text, kMaxFileSize);
        snapshot.tooLarge = !snapshot.readable && errno == EFBIG;
        snapshot.readable = snapshot.readable || snapshot.tooLarge;
        if (Stat(path_) == snapshot.stamp)
            break;
    }
    if (!snapshot.readable)
        snapshot.text.clear();
    snapshot.tree = SettingsFileFormat::Parse(snapshot.text, &snapshot.unreadableLines);
    return snapshot;
}

void FileSettingsBackend::Refresh()
{
    const FileStamp stamp = Stat(path_);
    if (loaded_ && stamp == saved_.stamp) {
        if (!recent_)
            return;
        std::string text;
        if (stamp.exists && AtomicFile::ReadAll(path_, text, kMaxFileSize) && text == saved_.text) {
            recent_ = IsRecent(stamp);
            return;
        }
    }
    saved_ = ReadFile();
    loaded_ = true;
    recent_ = IsRecent(saved_.stamp);
    RebuildView();
}

void FileSettingsBackend::RebuildView()
{
    view_.tree() = saved_.tree;
    for (const Change& change : pending_)
        Apply(view_.tree(), change);
}

int FileSettingsBackend::Save(const std::vector<Change>& changes)
{
    // Opening keys that exist already must not wait for another program's lock.
    SettingsTree probe = saved_.tree;
    bool changesSomething = false;
    for (const Change& change : changes)
        changesSomething = Apply(probe, change) || changesSomething;
    if (!changesSomething && saved_.readable && Stat(path_) == saved_.stamp)
        return kSuccess;

    if (FilePath::MakeFolders(FilePath::DirectoryOf(path_), kFolderMode))
        return kErrorAccessDenied;
    LockFile lock(path_ + kLockSuffix);
    switch (lock.Acquire(lockWait_)) {
    case LockFile::Result::Acquired: break;
    case LockFile::Result::Busy: return kErrorBusy;
    case LockFile::Result::Failed: return kErrorAccessDenied;
    }
    Snapshot current = ReadFile();
    if (!current.readable)
        return kErrorAccessDenied;
    bool changed = false;
    for (const Change& change : changes)
        changed = Apply(current.tree, change) || changed;
    if (!changed) {
        saved_ = std::move(current);
        recent_ = IsRecent(saved_.stamp);
        return kSuccess;
    }
    std::string text = SettingsFileFormat::Format(current.tree);
    // Never a file that the next read would refuse.
    if (text.size() > kMaxFileSize)
        return kErrorWriteFault;
    const std::string damaged = path_ + kDamagedSuffix;
    if (current.tooLarge ? ::rename(path_.c_str(), damaged.c_str()) != 0
                         : current.unreadableLines > 0 && !AtomicFile::Write(damaged, {current.text}).ok())
        return kErrorWriteFault;
    if (!AtomicFile::Write(path_, {text}).ok())
        return kErrorWriteFault;
    saved_.readable = true;
    saved_.text = std::move(text);
    saved_.tree = std::move(current.tree);
    saved_.unreadableLines = 0;
    saved_.tooLarge = false;
    saved_.stamp = Stat(path_);
    recent_ = true;
    return kSuccess;
}

bool FileSettingsBackend::TooLarge()
{
    Refresh();
    return saved_.tooLarge;
}

int FileSettingsBackend::CreateKey(std::string_view path, Handle* handle)
{
    Refresh();
    const int result = view_.CreateKey(path, handle);
    if (result == kSuccess)
        pending_.push_back(Change{*handle, *view_.PathOf(*handle)});
    return result;
}

int FileSettingsBackend::OpenKey(std::string_view path, Handle* handle)
{
    Refresh();
    return view_.OpenKey(path, handle);
}

int FileSettingsBackend::QueryValue(Handle handle, std::string_view name, uint32_t* type,
                                    void* data, uint32_t* size)
{
    Refresh();
    return view_.QueryValue(handle, name, type, data, size);
}

int FileSettingsBackend::SetValue(Handle handle, std::string_view name, uint32_t type,
                                  const void* data, uint32_t size)
{
    const int result = view_.SetValue(handle, name, type, data, size);
    if (result != kSuccess)
        return result;
    const SettingsTree::Value* value = view_.tree().FindValue(*view_.PathOf(handle), name);
    pending_.push_back(Change{handle, *view_.PathOf(handle), true, std::string(name), type, value->data});
    return kSuccess;
}

int FileSettingsBackend::EnumKey(Handle handle, uint32_t index, char* name, uint32_t* nameSize)
{
    Refresh();
    return view_.EnumKey(handle, index, name, nameSize);
}

int FileSettingsBackend::CloseKey(Handle handle)
{
    if (view_.PathOf(handle) == nullptr)
        return kErrorInvalidHandle;
    std::vector<Change> changes;
    auto mine = std::stable_partition(pending_.begin(), pending_.end(),
                                      [handle](const Change& change) { return change.owner != handle; });
    std::move(mine, pending_.end(), std::back_inserter(changes));
    pending_.erase(mine, pending_.end());
    view_.CloseKey(handle);

    const int result = changes.empty() ? kSuccess : Save(changes);
    RebuildView();
    return result;
}
