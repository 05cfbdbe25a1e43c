#include "LockFile.h"

#include "AtomicFile.h"
#include "FilePath.h"
#include "HostIdentity.h"
#include "NewFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kMinBackoffMs = 5;
constexpr int kMaxBackoffMs = 40;
// Readable by everyone whatever the umask.
constexpr NewFile::Options kLockOptions{0644, true, false};
constexpr int64_t kNsPerSecond = 1'000'000'000;
// Breaking is done by one program at a time, under this second lock. It is
// held for moments only; one left by a program that died is ignored after:
constexpr std::chrono::seconds kBreakLockStaleAfter{10};
constexpr const char* kBreakSuffix = ".break";
constexpr const char* kNewSuffix = ".new.";
constexpr const char* kOldSuffix = ".old.";

std::string NewToken()
{
    std::random_device device;
    const uint64_t value = (static_cast<uint64_t>(device()) << 32) ^ device() ^
                           (static_cast<uint64_t>(::getpid()) << 20);
    char token[32];
    std::snprintf(token, sizeof token, "%016llx", static_cast<unsigned long long>(value));
    return token;
}

int64_t ModifiedNs(const struct stat& st)
{
    return static_cast<int64_t>(st.st_mtim.tv_sec) * kNsPerSecond + st.st_mtim.tv_nsec;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           ModifiedNs(a) == ModifiedNs(b);
}

// Puts a file back under a name without replacing what may stand there now.
void PutBack(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return;
    if (::link(from.c_str(), to.c_str()) != 0) {
        // Someone holds a newer lock by now.
    }
    ::unlink(from.c_str());
}

} // namespace

LockFile::LockFile(std::string path) : path_(std::move(path)) {}

bool LockFile::IsWorkingFileOf(const std::string& lockPath, std::string_view name)
{
    const std::string base = FilePath::BaseNameOf(lockPath);
    if (name == base + kBreakSuffix)
        return true;
    for (const char* suffix : {kNewSuffix, kOldSuffix}) {
        const std::string prefix = base + suffix;
        if (name.size() > prefix.size() && name.substr(0, prefix.size()) == prefix)
            return true;
    }
    return false;
}

LockFile::~LockFile()
{
    Release();
}

LockFile::Result LockFile::Acquire(std::chrono::milliseconds wait, std::chrono::seconds staleAfter)
{
    if (held_)
        return Result::Acquired;
    token_ = NewToken();
    std::minstd_rand random(static_cast<unsigned>(std::hash<std::string>{}(token_)));
    std::uniform_int_distribution<int> backoff(kMinBackoffMs, kMaxBackoffMs);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (TryCreate())
            return Result::Acquired;
        if (error_ != std::errc::file_exists)
            return Result::Failed;
        BreakIfStale(staleAfter);
        if (std::chrono::steady_clock::now() >= deadline)
            return Result::Busy;
        std::this_thread::sleep_for(std::chrono::milliseconds(backoff(random)));
    }
}

// The lock appears with its contents in one step, so a holder killed at any
// moment leaves a lock that tells whose it was.
bool LockFile::TryCreate()
{
    const std::string content = "pid " + std::to_string(::getpid()) + "\nhost " + HostIdentity::HostName() +
                                "\ntime " + std::to_string(std::time(nullptr)) + "\ntoken " + token_ + "\n";
    const std::string privateName = path_ + kNewSuffix + token_;
    if (!WriteLockFile(privateName, content, &serverNowNs_))
        return false;
    error_ = NewFile::Publish(privateName, path_, content, kLockOptions);
    held_ = !error_;
    return held_;
}

// Another member's program must be able to tell whose lock it is.
bool LockFile::WriteLockFile(const std::string& path, const std::string& content, int64_t* modifiedNs)
{
    struct stat st {};
    error_ = NewFile::Create(path, content, kLockOptions, &st);
    if (!error_ && modifiedNs != nullptr)
        *modifiedNs = ModifiedNs(st);
    return !error_;
}

bool LockFile::IsStale(int64_t modifiedNs, std::chrono::seconds staleAfter) const
{
    return serverNowNs_ - modifiedNs > staleAfter.count() * kNsPerSecond;
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

// Breakers take turns under a second lock and remove the lock only if it is
// still the very file judged stale, so a fresh lock taken meanwhile stays.
// A lock that cannot be read (another user's, say) is judged by its age.
void LockFile::BreakIfStale(std::chrono::seconds staleAfter)
{
    struct stat judged {};
    if (::lstat(path_.c_str(), &judged) != 0)
        return;
    std::string content;
    const bool readable = AtomicFile::ReadAll(path_, content);
    if (!IsStale(ModifiedNs(judged), staleAfter) && !(readable && IsAbandoned(content)))
        return;

    const std::string breakPath = path_ + kBreakSuffix;
    int64_t breakTakenNs = 0;
    if (!WriteLockFile(breakPath, token_, &breakTakenNs)) {
        struct stat breaker {};
        if (error_ == std::errc::file_exists && ::lstat(breakPath.c_str(), &breaker) == 0 &&
            IsStale(ModifiedNs(breaker), kBreakLockStaleAfter))
            ::unlink(breakPath.c_str());
        error_ = SystemError(EEXIST);
        return;
    }
    struct stat current {};
    if (::lstat(path_.c_str(), &current) == 0 && SameFile(current, judged))
        ::unlink(path_.c_str());
    ::unlink(breakPath.c_str());
}

bool LockFile::StillHeld() const
{
    std::string content;
    return held_ && AtomicFile::ReadAll(path_, content) &&
           content.find("token " + token_ + "\n") != std::string::npos;
}

// The lock is taken away under a private name first, so that what is removed
// is certainly ours; someone else's lock (ours having been broken) goes back.
void LockFile::Release()
{
    if (!held_)
        return;
    held_ = false;
    const std::string privateName = path_ + kOldSuffix + token_;
    if (::rename(path_.c_str(), privateName.c_str()) != 0)
        return;
    std::string content;
    if (AtomicFile::ReadAll(privateName, content) && content.find("token " + token_ + "\n") != std::string::npos)
        ::unlink(privateName.c_str());
    else
        PutBack(privateName, path_);
}
