#include "AtomicFile.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
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

std::string DirectoryOf(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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

mode_t DefaultFileMode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

void SyncDirectory(const std::string& dir)
{
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool Fail(std::string* error, const std::string& what)
{
    if (error != nullptr)
        *error = what + ": " + std::strerror(errno);
    return false;
}

} // namespace

bool AtomicFile::Write(const std::string& path, const std::vector<std::string_view>& parts,
                       std::string* error)
{
    const std::string target = ResolveTarget(path);
    struct stat old {};
    const bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld) {
        if (!S_ISREG(old.st_mode)) {
            errno = EINVAL;
            return Fail(error, target + " is not a plain file");
        }
        // Replacing needs only a writable folder; a file its owner made
        // read-only is not ours to change.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return Fail(error, target + " is read-only");
    }
    const std::string dir = DirectoryOf(target);
    std::string temp = dir + "/." + BaseNameOf(target) + ".XXXXXX";

    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return Fail(error, "cannot create a temporary file in " + dir);

    // A write past a file size limit raises SIGXFSZ; it must fail, not kill us.
    std::signal(SIGXFSZ, SIG_IGN);

    bool ok = true;
    for (std::string_view part : parts) {
        if (!AtomicFile::WriteFully(fd, part)) {
            ok = false;
            break;
        }
    }
    if (ok) {
        if (hadOld) {
            // Group first: members who reach a shared board through its
            // group must keep reaching it. Only root can keep the owner.
            if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
                // Not a member of that group: the file keeps ours.
            }
            ::fchmod(fd, old.st_mode & 07777);
        } else {
            ::fchmod(fd, DefaultFileMode());
        }
        // The mode is flushed with the data, so that a crash cannot leave the
        // board with the temporary file's private mode.
        ok = ::fsync(fd) == 0;
    }
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        errno = savedErrno;
        return Fail(error, "cannot write " + target);
    }

    for (int attempt = 0;; ++attempt) {
        if (::rename(temp.c_str(), target.c_str()) == 0)
            break;
        savedErrno = errno;
        const bool transient = errno == EBUSY || errno == EACCES || errno == ETXTBSY || errno == EPERM;
        if (!transient || attempt + 1 >= kRenameAttempts) {
            ::unlink(temp.c_str());
            errno = savedErrno;
            return Fail(error, "cannot replace " + target);
        }
        std::this_thread::sleep_for(kRenameRetryDelay);
    }
    SyncDirectory(dir);
    return true;
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

bool AtomicFile::ReadAll(const std::string& path, std::string& out, size_t maxSize)
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
    if (static_cast<uint64_t>(st.st_size) > maxSize) {
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
        if (used > maxSize) { // grown since it was measured
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
