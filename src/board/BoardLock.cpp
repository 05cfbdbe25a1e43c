#include "BoardLock.h"

#include "core/FilePath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

BoardLock::BoardLock(const std::string& boardPath)
    : boardPath_(boardPath), file_(boardPath + kLockSuffix), range_(boardPath)
{
}

LockFile::Result BoardLock::Acquire(std::chrono::milliseconds wait)
{
    const LockFile::Result result = file_.Acquire(wait);
    error_ = file_.error();
    if (result == LockFile::Result::Failed) {
        const bool folderRefuses =
            error_ == std::errc::permission_denied || error_ == std::errc::operation_not_permitted;
        if (!folderRefuses || ::faccessat(AT_FDCWD, boardPath_.c_str(), W_OK, AT_EACCESS) != 0)
            return result;
        const LockFile::Result onBoard = range_.Acquire(wait);
        if (onBoard == LockFile::Result::Failed)
            error_ = range_.error();
        return onBoard;
    }
    if (result != LockFile::Result::Acquired || !OthersMayWriteInPlace())
        return result;
    // A file system without such locks lets nobody write in place under them.
    if (range_.Acquire(wait) == LockFile::Result::Busy) {
        file_.Release();
        return LockFile::Result::Busy;
    }
    return result;
}

bool BoardLock::StillHeld() const
{
    return file_.held() ? file_.StillHeld() : range_.held();
}

// Members whose write permission on the board is not matched on its folder.
bool BoardLock::OthersMayWriteInPlace() const
{
    struct stat board {};
    struct stat folder {};
    if (::stat(boardPath_.c_str(), &board) != 0 || ::stat(FilePath::DirectoryOf(boardPath_).c_str(), &folder) != 0)
        return false;
    return (board.st_mode & ~folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

bool BoardLock::IsHeld(const std::string& boardPath)
{
    return ::access((boardPath + kLockSuffix).c_str(), F_OK) == 0 || RangeLock::IsHeld(boardPath);
}
