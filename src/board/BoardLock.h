#pragma once

#include "core/LockFile.h"
#include "core/RangeLock.h"

#include <chrono>
#include <cstdint>
#include <string>

// The lock under which a board is changed: a lock file beside the board.
// Members who may write the board but not create files beside it (a folder
// they may not write) lock the board file itself instead; where such members
// may exist, the holders of the lock file lock the board file too.
class BoardLock
{
public:
    static constexpr const char* kLockSuffix = ".lock";

    explicit BoardLock(const std::string& boardPath);

    // Busy: another program kept it for the whole wait. Failed: neither kind
    // of lock can be had; error() tells why.
    LockFile::Result Acquire(std::chrono::milliseconds wait = LockFile::kDefaultWait);
    // False when the lock was taken from us meanwhile (judged stale).
    bool StillHeld() const;
    const std::error_code& error() const { return error_; }
    // Only the holder of the lock file may write beside the board, and only
    // it knows the file server's clock (see LockFile::serverNowNs).
    const LockFile* lockFile() const { return file_.held() ? &file_ : nullptr; }

    // Whether some program is changing the board at boardPath now.
    static bool IsHeld(const std::string& boardPath);

private:
    bool OthersMayWriteInPlace() const;

    std::string boardPath_;
    LockFile file_;
    RangeLock range_;
    std::error_code error_;
};
