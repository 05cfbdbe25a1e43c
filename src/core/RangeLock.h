#pragma once

#include "LockFile.h"

#include <chrono>
#include <string>

// A lock on one byte far past the end of a file, held through an open file
// description: kept by the kernel, or by the file server, for as long as we
// hold it, and dropped with our process. It takes nothing from the file's
// contents and keeps no reader out. Programs that may write a shared file but
// cannot create a lock file beside it lock the file itself this way.
class RangeLock
{
public:
    explicit RangeLock(std::string path);
    ~RangeLock();
    RangeLock(const RangeLock&) = delete;
    RangeLock& operator=(const RangeLock&) = delete;

    // Busy: someone else held it for the whole wait. Failed: the file cannot
    // be opened for writing, or its file system keeps no such locks.
    LockFile::Result Acquire(std::chrono::milliseconds wait = LockFile::kDefaultWait);
    void Release();

    bool held() const { return fd_ >= 0; }
    const std::error_code& error() const { return error_; }

    // Whether another open file description holds the lock on path now.
    static bool IsHeld(const std::string& path);

private:
    std::string path_;
    int fd_ = -1;
    std::error_code error_;
};
