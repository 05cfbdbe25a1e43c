#include "StoreLeftovers.h"

#include "EmptyBoardWriter.h"
#include "core/AtomicFile.h"
#include "core/LockFile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;

std::string FolderOf(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

void StoreLeftovers::Remove(const std::string& boardPath, const std::string& lockPath, int64_t serverNowNs)
{
    const std::string folder = FolderOf(boardPath);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const int64_t limitNs = std::chrono::duration_cast<std::chrono::seconds>(kAbandonedAfter).count() * kNsPerSecond;
    while (const struct dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!AtomicFile::IsTemporaryOf(boardPath, name) && !LockFile::IsWorkingFileOf(lockPath, name) &&
            !EmptyBoardWriter::IsTemporaryOf(boardPath, name))
            continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const int64_t modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * kNsPerSecond + st.st_mtim.tv_nsec;
        if (serverNowNs - modifiedNs > limitNs)
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}
