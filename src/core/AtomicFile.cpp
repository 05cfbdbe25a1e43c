#include "AtomicFile.h"

#include "FileCreation.h"
#include "FilePath.h"
#include "TemporaryFile.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// A rename on a network share can fail while another client has the target
// open; such failures usually clear within a moment.
constexpr int kRenameAttempts = 10;
constexpr auto kRenameRetryDelay = std::chrono::milliseconds(50);
constexpr const char* kTemporarySuffix = "XXXXXX";
constexpr size_t kTemporarySuffixLength = 6;

std::string ResolveTarget(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) != nullptr)
            return resolved;
    }
    return path;
}

Status Fail(std::string what)
{
    return {LastSystemError(), std::move(what)};
}

bool Refused(int error)
{
    return error == EPERM || error == EACCES;
}

// Replacing a file takes a folder we may write and, in a sticky folder, the
// file or the folder being ours.
bool FolderRefusesReplacing(const std::string& dir, const struct stat& file)
{
    if (::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return Refused(errno);
    struct stat folder {};
    const uid_t me = ::geteuid();
    return ::stat(dir.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 && me != 0 &&
           file.st_uid != me && folder.st_uid != me;
}

bool WriteFullyAt(int fd, std::string_view data, off_t offset)
{
    while (!data.empty()) {
        const ssize_t n = ::pwrite(fd, data.data(), data.size(), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
        offset += n;
    }
    return true;
}

bool WriteAllAt(int fd, const std::vector<std::string_view>& parts)
{
    off_t offset = 0;
    for (std::string_view part : parts) {
        if (!WriteFullyAt(fd, part, offset))
            return false;
        offset += static_cast<off_t>(part.size());
    }
    return ::ftruncate(fd, offset) == 0 && ::fsync(fd) == 0;
}

bool ReadFrom(int fd, std::string& out)
{
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, static_cast<size_t>(n));
    }
}

// The new contents go over the old ones in the file itself; should that fail
// part-way (a full disk, a size limit), the old contents are put back.
Status OverwriteInPlace(const std::string& target, const std::vector<std::string_view>& parts)
{
    const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return Fail("cannot open " + target);
    std::string old;
    if (!ReadFrom(fd, old)) {
        const int savedErrno = errno;
        ::close(fd);
        errno = savedErrno;
        return Fail("cannot read " + target);
    }
    if (WriteAllAt(fd, parts)) {
        ::close(fd);
        return {};
    }
    const int savedErrno = errno;
    if (!WriteAllAt(fd, {old})) {
        // Nothing more can be done: the file holds what the system kept.
    }
    ::close(fd);
    errno = savedErrno;
    return Fail("cannot write " + target + " in place");
}

} // namespace

bool AtomicFile::IsTemporaryOf(const std::string& target, std::string_view name)
{
    const std::string prefix = "." + FilePath::BaseNameOf(target) + ".";
    if (name.size() != prefix.size() + kTemporarySuffixLength || name.substr(0, prefix.size()) != prefix)
        return false;
    for (char c : name.substr(prefix.size())) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

Status AtomicFile::Write(const std::string& path, const std::vector<std::string_view>& parts, InPlace inPlace)
{
    const std::string target = ResolveTarget(path);
    struct stat old {};
    const bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld) {
        if (!S_ISREG(old.st_mode)) {
            return {SystemError(EINVAL), target + " is not a plain file"};
        }
        // Replacing needs only a writable folder; a file its owner made
        // read-only is not ours to change.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return Fail(target + " is read-only");
    }
    const std::string dir = FilePath::DirectoryOf(target);
    const bool mayOverwrite = hadOld && inPlace == InPlace::WhereReplacingIsRefused;
    if (mayOverwrite && FolderRefusesReplacing(dir, old))
        return OverwriteInPlace(target, parts);
    TemporaryFile temp(dir + "/." + FilePath::BaseNameOf(target) + "." + kTemporarySuffix);
    if (!temp.created() && mayOverwrite && Refused(temp.error().value()))
        return OverwriteInPlace(target, parts);
    if (!temp.created())
        return {temp.error(), "cannot create a temporary file in " + dir};

    bool ok = true;
    for (std::string_view part : parts) {
        if (!AtomicFile::WriteFully(temp.fd(), part)) {
            ok = false;
            break;
        }
    }
    if (ok) {
        if (hadOld) {
            // Group first: members who reach a shared board through its
            // group must keep reaching it. Only root can keep the owner.
            if (::fchown(temp.fd(), old.st_uid, old.st_gid) != 0 &&
                ::fchown(temp.fd(), static_cast<uid_t>(-1), old.st_gid) != 0) {
                // Not a member of that group: the file keeps ours.
            }
            ::fchmod(temp.fd(), old.st_mode & 07777);
        } else {
            ::fchmod(temp.fd(), FileCreation::NewFileMode());
        }
    }
    // The mode is flushed with the data, so that a crash cannot leave the
    // board with the temporary file's private mode.
    if (const std::error_code failure = ok ? temp.Complete() : LastSystemError(); failure) {
        temp.Discard();
        return {failure, "cannot write " + target};
    }

    for (int attempt = 0;; ++attempt) {
        const std::error_code moved = temp.MoveTo(target);
        if (!moved)
            return {};
        const int failure = moved.value();
        // A folder that refuses for good is not waited for; on a network
        // share a refusal may also mean that another client has the file open.
        const bool refusedForGood =
            Refused(failure) && (attempt + 1 >= kRenameAttempts || FolderRefusesReplacing(dir, old));
        const bool transient = failure == EBUSY || failure == ETXTBSY || Refused(failure);
        if (!transient || refusedForGood || attempt + 1 >= kRenameAttempts) {
            temp.Discard();
            if (refusedForGood && mayOverwrite)
                return OverwriteInPlace(target, parts);
            return {moved, "cannot replace " + target};
        }
        std::this_thread::sleep_for(kRenameRetryDelay);
    }
}

bool AtomicFile::WriteFully(int fd, std::string_view data)
{
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::ReadAll(const std::string& path, std::string& out, size_t maxBytes)
{
    out.clear();
    // Not blocking on open, and only regular files: a board path that names
    // a FIFO or a device such as /dev/zero must fail, not hang or fill memory.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        errno = EFBIG;
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    out.resize(static_cast<size_t>(st.st_size) + 1);
    size_t used = 0;
    for (;;) {
        if (used == out.size())
            out.resize(out.size() * 2 + 4096);
        ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            out.clear();
            return false;
        }
        if (n == 0)
            break;
        used += static_cast<size_t>(n);
        if (used > maxBytes) { // grown since it was measured
            ::close(fd);
            out.clear();
            errno = EFBIG;
            return false;
        }
    }
    ::close(fd);
    out.resize(used);
    return true;
}
