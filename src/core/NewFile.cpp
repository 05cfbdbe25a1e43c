#include "core/NewFile.h"

#include "core/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Whether link() failing with error means that the file system has no hard
// links. ENOTSUP is EOPNOTSUPP on Linux.
bool LinksUnsupported(int error)
{
    return error == EPERM || error == ENOSYS || error == EOPNOTSUPP;
}

} // namespace

std::error_code NewFile::Create(const std::string& path, std::string_view contents, const Options& options,
                                struct stat* written)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, options.mode);
    if (fd < 0)
        return LastSystemError();
    if (options.exactMode)
        ::fchmod(fd, options.mode);
    int error = AtomicFile::WriteFully(fd, contents) ? 0 : errno;
    if (error == 0 && options.sync && ::fsync(fd) != 0)
        error = errno;
    if (error == 0 && written != nullptr && ::fstat(fd, written) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(path.c_str());
    return SystemError(error);
}

std::error_code NewFile::Publish(const std::string& privateName, const std::string& path,
                                 std::string_view contents, const Options& options)
{
    int error = ::link(privateName.c_str(), path.c_str()) == 0 ? 0 : errno;
    if (error != 0) {
        // Over NFS a link whose reply was lost is retried and answers EEXIST
        // although it was made: the private name's link count tells.
        struct stat st {};
        if (::stat(privateName.c_str(), &st) == 0 && st.st_nlink == 2)
            error = 0;
    }
    ::unlink(privateName.c_str());
    if (LinksUnsupported(error))
        return Create(path, contents, options);
    return SystemError(error);
}
