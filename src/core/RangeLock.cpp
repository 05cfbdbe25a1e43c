#include "RangeLock.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Beyond any file the programs sharing the lock would read: a byte-range lock
// on a network share may keep other clients from reading what it covers.
constexpr off_t kLockOffset = off_t{1} << 30;
constexpr int kMinBackoffMs = 5;
constexpr int kMaxBackoffMs = 40;

struct flock LockRange(short type)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = kLockOffset;
    range.l_len = 1;
    return range;
}

bool SameFile(int fd, const std::string& path)
{
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

} // namespace

RangeLock::RangeLock(std::string path) : path_(std::move(path)) {}

RangeLock::~RangeLock()
{
    Release();
}

LockFile::Result RangeLock::Acquire(std::chrono::milliseconds wait)
{
    if (held())
        return LockFile::Result::Acquired;
    std::minstd_rand random(static_cast<unsigned>(::getpid()));
    std::uniform_int_distribution<int> backoff(kMinBackoffMs, kMaxBackoffMs);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            error_ = LastSystemError();
            return LockFile::Result::Failed;
        }
        struct flock range = LockRange(F_WRLCK);
        const bool locked = ::fcntl(fd, F_OFD_SETLK, &range) == 0;
        error_ = locked ? std::error_code() : LastSystemError();
        // A file renamed over the path while we waited is the one to lock.
        if (locked && SameFile(fd, path_)) {
            fd_ = fd;
            return LockFile::Result::Acquired;
        }
        ::close(fd);
        if (!locked && error_ != std::errc::resource_unavailable_try_again && error_ != std::errc::permission_denied)
            return LockFile::Result::Failed;
        if (std::chrono::steady_clock::now() >= deadline)
            return LockFile::Result::Busy;
        std::this_thread::sleep_for(std::chrono::milliseconds(backoff(random)));
    }
}

void RangeLock::Release()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool RangeLock::IsHeld(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct flock range = LockRange(F_WRLCK);
    const bool held = ::fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
    ::close(fd);
    return held;
}
