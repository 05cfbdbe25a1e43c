#include "board/EmptyBoardWriter.h"

#include "core/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr mode_t kBoardMode = 0666; // shared by all members; the umask decides
constexpr int kMaxTempAttempts = 100;
constexpr const char* kTemporarySuffix = ".tmp";

// Creates the file exclusively and fills it; on failure nothing is left and
// error holds the errno value (EEXIST when the file was already there).
bool WriteNewFile(const std::string& path, const std::string& contents, int& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kBoardMode);
    if (fd < 0) {
        error = errno;
        return false;
    }
    size_t done = 0;
    error = 0;
    while (done < contents.size() && error == 0) {
        const ssize_t written = ::write(fd, contents.data() + done, contents.size() - done);
        if (written >= 0)
            done += static_cast<size_t>(written);
        else if (errno != EINTR)
            error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0)
        return true;
    ::unlink(path.c_str());
    return false;
}

// Written under a private name first, so that link() can publish it whole.
std::string WriteTemporary(const std::string& path, const std::string& contents, int& error)
{
    for (int attempt = 0; attempt < kMaxTempAttempts; ++attempt) {
        std::string temp =
            path + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) + kTemporarySuffix;
        if (WriteNewFile(temp, contents, error))
            return temp;
        if (error != EEXIST)
            return {};
    }
    return {};
}

bool LinksUnsupported(int error)
{
    return error == EPERM || error == ENOTSUP || error == ENOSYS || error == EOPNOTSUPP;
}

} // namespace

// "<board>.<pid>.<attempt>.tmp"
bool EmptyBoardWriter::IsTemporaryOf(const std::string& path, std::string_view name)
{
    const std::string prefix = AtomicFile::BaseNameOf(path) + ".";
    const std::string_view suffix = kTemporarySuffix;
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
        return false;
    const std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    const size_t dot = middle.find('.');
    return dot != std::string_view::npos && digits(middle.substr(0, dot)) && digits(middle.substr(dot + 1));
}

std::string EmptyBoardWriter::Contents(std::string_view encoding)
{
    return "<?xml version=\"1.0\" encoding=\"" + std::string(encoding) + "\"?>\n<root/>\n";
}

EmptyBoardWriter::Result EmptyBoardWriter::Create(const std::string& path, std::string_view encoding,
                                                  std::string& error)
{
    const std::string contents = Contents(encoding);
    int failure = 0;
    const std::string temp = WriteTemporary(path, contents, failure);
    if (temp.empty()) {
        error = std::strerror(failure);
        return Result::Failed;
    }
    const bool linked = ::link(temp.c_str(), path.c_str()) == 0;
    failure = errno;
    ::unlink(temp.c_str());
    if (linked)
        return Result::Created;
    if (failure == EEXIST)
        return Result::Exists;
    // Some network file systems have no hard links; exclusive creation is the
    // next best thing.
    if (LinksUnsupported(failure)) {
        if (WriteNewFile(path, contents, failure))
            return Result::Created;
        if (failure == EEXIST)
            return Result::Exists;
    }
    error = std::strerror(failure);
    return Result::Failed;
}
