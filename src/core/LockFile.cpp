#include "LockFile.h"

#include "AtomicFile.h"
#include "HostIdentity.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kMinBackoffMs = 5;
constexpr mode_t kLockMode = 0644;
constexpr int kMaxBackoffMs = 40;

std::mt19937_64& Random()
{
    thread_local std::mt19937_64 engine(std::random_device{}() ^
                                        (static_cast<uint64_t>(::getpid()) << 32));
    return engine;
}

bool IsStale(const struct stat& st, std::chrono::seconds staleAfter)
{
    return std::time(nullptr) - st.st_mtime > staleAfter.count();
}

} // namespace

LockFile::LockFile(std::string path) : path_(std::move(path)) {}

LockFile::~LockFile()
{
    Release();
}

LockFile::Result LockFile::Acquire(std::chrono::milliseconds wait, std::chrono::seconds staleAfter)
{
    if (held_)
        return Result::Acquired;
    char token[32];
    std::snprintf(token, sizeof token, "%016llx",
                  static_cast<unsigned long long>(Random()()));
    token_ = token;

    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::uniform_int_distribution<int> backoff(kMinBackoffMs, kMaxBackoffMs);
    for (;;) {
        if (TryCreate())
            return Result::Acquired;
        if (error_ != EEXIST)
            return Result::Failed;
        BreakIfStale(staleAfter);
        if (std::chrono::steady_clock::now() >= deadline)
            return Result::Busy;
        std::this_thread::sleep_for(std::chrono::milliseconds(backoff(Random())));
    }
}

// The lock appears with its contents in one step: written under a private
// name first, then linked to the lock's name, which fails if a lock is there.
// So a holder killed at any moment leaves a lock that tells whose it was.
// Where the file system has no hard links, it is created exclusively and
// written afterwards.
bool LockFile::TryCreate()
{
    const std::string content = "pid " + std::to_string(::getpid()) + "\nhost " + HostIdentity::HostName() +
                                "\ntime " + std::to_string(std::time(nullptr)) + "\ntoken " +
                                token_ + "\n";
    const std::string privateName = path_ + ".new." + token_;
    if (WriteLockFile(privateName, content)) {
        const int linked = ::link(privateName.c_str(), path_.c_str());
        error_ = linked == 0 ? 0 : errno;
        ::unlink(privateName.c_str());
        if (linked == 0) {
            held_ = true;
            return true;
        }
        if (error_ != EPERM && error_ != ENOSYS && error_ != EOPNOTSUPP)
            return false;
    } else if (error_ != EPERM && error_ != ENOSYS && error_ != EOPNOTSUPP) {
        return false;
    }
    if (!WriteLockFile(path_, content))
        return false;
    held_ = true;
    return true;
}

// Creates the file exclusively, readable by everyone whatever the umask
// (another member's program must be able to tell whose lock it is).
bool LockFile::WriteLockFile(const std::string& path, const std::string& content)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kLockMode);
    if (fd < 0) {
        error_ = errno;
        return false;
    }
    ::fchmod(fd, kLockMode);
    const bool written = AtomicFile::WriteFully(fd, content);
    error_ = written ? 0 : errno;
    ::close(fd);
    if (!written)
        ::unlink(path.c_str());
    return written;
}

// A lock written on this computer by a process that is gone is stale at
// once; a lock from elsewhere only when it has not been touched for long.
bool LockFile::IsAbandoned(const std::string& content)
{
    const std::string::size_type hostAt = content.find("\nhost ");
    const std::string::size_type pidAt = content.rfind("pid ", 0);
    if (hostAt == std::string::npos || pidAt == std::string::npos)
        return false;
    const std::string::size_type hostEnd = content.find('\n', hostAt + 6);
    if (hostEnd == std::string::npos || content.substr(hostAt + 6, hostEnd - hostAt - 6) != HostIdentity::HostName())
        return false;
    const long pid = std::strtol(content.c_str() + 4, nullptr, 10);
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Only one of several waiters may break a stale lock: each renames it to a
// private name first, and the rename succeeds for one of them. Should the
// renamed file turn out to be another lock, taken in between, it is put back.
// A lock that cannot be read (another user's, say) is judged by its age.
void LockFile::BreakIfStale(std::chrono::seconds staleAfter)
{
    struct stat judged {};
    if (::stat(path_.c_str(), &judged) != 0)
        return;
    std::string content;
    const bool readable = AtomicFile::ReadAll(path_, content);
    if (!IsStale(judged, staleAfter) && !(readable && IsAbandoned(content)))
        return;
    const std::string privateName = path_ + ".stale." + token_;
    if (::rename(path_.c_str(), privateName.c_str()) != 0)
        return;
    struct stat taken {};
    const bool same = ::stat(privateName.c_str(), &taken) == 0 && taken.st_dev == judged.st_dev &&
                      taken.st_ino == judged.st_ino && taken.st_mtim.tv_sec == judged.st_mtim.tv_sec &&
                      taken.st_mtim.tv_nsec == judged.st_mtim.tv_nsec;
    if (!same && ::link(privateName.c_str(), path_.c_str()) != 0) {
        // Someone holds a newer lock by now; the one we took is lost.
    }
    ::unlink(privateName.c_str());
}

void LockFile::Release()
{
    if (!held_)
        return;
    held_ = false;
    std::string content;
    if (AtomicFile::ReadAll(path_, content) && content.find("token " + token_ + "\n") != std::string::npos)
        ::unlink(path_.c_str());
}
