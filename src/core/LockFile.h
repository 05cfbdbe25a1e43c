#pragma once

#include "core/Status.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// An advisory lock between programs that share a folder, possibly over a
// network share: a file beside the data it guards, which only one program at
// a time can bring into being. A lock left behind by a crashed program is
// broken once it is stale, or at once when its holder ran on this computer
// and is gone.
class LockFile
{
public:
    enum class Result { Acquired, Busy, Failed };

    static constexpr std::chrono::milliseconds kDefaultWait{5000};
    static constexpr std::chrono::seconds kDefaultStaleAfter{30};

    explicit LockFile(std::string path);
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    // Busy: another holder kept it for the whole wait. Failed: the lock file
    // cannot be created at all (missing or read-only folder); error() tells.
    Result Acquire(std::chrono::milliseconds wait = kDefaultWait,
                   std::chrono::seconds staleAfter = kDefaultStaleAfter);
    // False when the lock was taken from us meanwhile (we were so slow that
    // it was judged stale): whatever we were about to write must not be.
    bool StillHeld() const;
    void Release();

    bool held() const { return held_; }
    const std::error_code& error() const { return error_; }
    const std::string& path() const { return path_; }
    // The file server's time when we last wrote beside the lock (nanoseconds
    // since the epoch): the clock by which the age of files there is judged.
    int64_t serverNowNs() const { return serverNowNs_; }

    // Whether name, an entry of the lock's folder, is one of the files that
    // taking, breaking and releasing the lock at lockPath write for a moment.
    static bool IsWorkingFileOf(const std::string& lockPath, std::string_view name);

private:
    bool TryCreate();
    bool WriteLockFile(const std::string& path, const std::string& content, int64_t* modifiedNs);
    void BreakIfStale(std::chrono::seconds staleAfter);
    bool IsStale(int64_t modifiedNs, std::chrono::seconds staleAfter) const;
    static bool IsAbandoned(const std::string& content);

    std::string path_;
    std::string token_;
    // The file server's clock, read off the last file we wrote beside the
    // lock: staleness is judged by the clock that stamped the lock.
    int64_t serverNowNs_ = 0;
    bool held_ = false;
    std::error_code error_;
};
