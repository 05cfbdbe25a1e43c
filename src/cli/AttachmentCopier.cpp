#include "AttachmentCopier.h"

#include "board/AttachmentFolder.h"
#include "core/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kCopyBufferSize = 64 * 1024;
// Other members open the copies through the shared folder.
constexpr mode_t kCopyMode = 0666;

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd);
    }

private:
    int fd_;
};

std::string Describe(const std::string& path, int error)
{
    return path + ": " + std::strerror(error);
}

} // namespace

std::string AttachmentCopier::BaseName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

bool AttachmentCopier::CheckSources(const std::vector<std::string>& sources, std::string& error)
{
    for (const std::string& source : sources) {
        FileDescriptor file(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (file.get() < 0) {
            error = Describe(source, errno);
            return false;
        }
        struct stat st = {};
        if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            error = source + ": not a regular file";
            return false;
        }
    }
    return true;
}

bool AttachmentCopier::CopyInto(const std::string& folder, const std::vector<std::string>& sources,
                                std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = folder + ": " + ec.message();
        return false;
    }
    for (const std::string& source : sources) {
        if (!CopyFile(source, AttachmentFolder::Join(folder, BaseName(source)), error))
            return false;
    }
    return true;
}

bool AttachmentCopier::CopyFile(const std::string& source, const std::string& target, std::string& error)
{
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat sourceSt = {};
    if (in.get() < 0 || ::fstat(in.get(), &sourceSt) != 0) {
        error = Describe(source, errno);
        return false;
    }
    // Truncating the target would destroy a source that is that very file.
    struct stat targetSt = {};
    if (::stat(target.c_str(), &targetSt) == 0 && targetSt.st_dev == sourceSt.st_dev &&
        targetSt.st_ino == sourceSt.st_ino) {
        return true;
    }
    // A link placed in the shared folder must not make us overwrite its target.
    FileDescriptor out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, kCopyMode));
    if (out.get() < 0) {
        error = Describe(target, errno);
        return false;
    }
    std::string buffer(kCopyBufferSize, '\0');
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = Describe(source, errno);
            break;
        }
        if (got == 0) {
            if (out.Release() == 0)
                return true;
            error = Describe(target, errno);
            break;
        }
        if (!AtomicFile::WriteFully(out.get(), std::string_view(buffer.data(), static_cast<size_t>(got)))) {
            error = Describe(target, errno);
            break;
        }
    }
    ::unlink(target.c_str());
    return false;
}
