#include "core/FileCopy.h"

#include "core/AtomicFile.h"
#include "core/FileCreation.h"
#include "core/FilePath.h"
#include "core/TemporaryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kChunkSize = 1024 * 1024;
constexpr const char* kTemporaryPattern = "XXXXXX";

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    void Reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// Non-blocking so that a named pipe cannot hold us; it is refused below.
Status OpenSource(const std::string& path, FileDescriptor& file, struct stat& st)
{
    file.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0)
        return {LastSystemError(), path};
    if (!S_ISREG(st.st_mode))
        return {QuorlError::NotRegularFile, path};
    ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    return {};
}

std::string TemporaryPathFor(const std::string& destination)
{
    return FilePath::DirectoryOf(destination) + "/" + FileCopy::kCopyPrefix + kTemporaryPattern;
}

// The kernel copies between the files while it can; whatever it cannot do
// (another file system type, a real error) is left to plain reads and
// writes, which also tell which side failed.
Status CopyContents(int in, const std::string& source, int out, const std::string& destination,
                    const FileCopy::Progress& progress)
{
    int64_t copied = 0;
    const auto advance = [&](int64_t bytes) {
        copied += bytes;
        if (progress)
            progress(copied);
    };
    for (;;) {
        const ssize_t moved = ::copy_file_range(in, nullptr, out, nullptr, kChunkSize, 0);
        if (moved <= 0)
            break;
        advance(moved);
    }
    std::unique_ptr<char[]> buffer(new char[kChunkSize]);
    for (;;) {
        const ssize_t got = ::read(in, buffer.get(), kChunkSize);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {LastSystemError(), source};
        if (got == 0)
            return {};
        if (!AtomicFile::WriteFully(out, std::string_view(buffer.get(), static_cast<size_t>(got))))
            return {LastSystemError(), destination};
        advance(got);
    }
}

} // namespace

Status FileCopy::CheckSource(const std::string& source)
{
    FileDescriptor in;
    struct stat st {};
    return OpenSource(source, in, st);
}

Status FileCopy::Copy(const std::string& source, const std::string& destination, const Progress& progress)
{
    FileDescriptor in;
    struct stat st {};
    if (Status opened = OpenSource(source, in, st); !opened.ok())
        return opened;
    // Writing a file over itself would only put the same bytes under a new inode.
    struct stat existing {};
    if (::lstat(destination.c_str(), &existing) == 0 && existing.st_dev == st.st_dev &&
        existing.st_ino == st.st_ino) {
        if (progress)
            progress(st.st_size);
        return {};
    }
    TemporaryFile out(TemporaryPathFor(destination));
    if (!out.created())
        return {out.error(), destination};
    ::fchmod(out.fd(), FileCreation::NewFileMode());

    if (Status copied = CopyContents(in.get(), source, out.fd(), destination, progress); !copied.ok())
        return copied;
    if (const std::error_code failure = out.Complete())
        return {failure, destination};
    // The rename replaces a link at the destination, not the file it points to.
    if (const std::error_code failure = out.MoveTo(destination))
        return {failure, destination};
    return {};
}
