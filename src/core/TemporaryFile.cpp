#include "core/TemporaryFile.h"

#include "core/FilePath.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

TemporaryFile::TemporaryFile(std::string pattern) : path_(std::move(pattern))
{
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    created_ = fd_ >= 0;
    present_ = created_;
    if (!created_)
        error_ = LastSystemError();
}

TemporaryFile::~TemporaryFile()
{
    Discard();
}

std::error_code TemporaryFile::Complete()
{
    int error = ::fsync(fd_) == 0 ? 0 : errno;
    if (::close(fd_) != 0 && error == 0)
        error = errno;
    fd_ = -1;
    return SystemError(error);
}

std::error_code TemporaryFile::MoveTo(const std::string& target)
{
    if (::rename(path_.c_str(), target.c_str()) != 0)
        return LastSystemError();
    present_ = false;
    SyncFolder(FilePath::DirectoryOf(target));
    return {};
}

void TemporaryFile::Discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (present_)
        ::unlink(path_.c_str());
    present_ = false;
}
