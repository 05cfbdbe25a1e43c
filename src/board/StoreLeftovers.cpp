#include "StoreLeftovers.h"

#include "EmptyBoardWriter.h"
#include "core/AtomicFile.h"
#include "core/FilePath.h"
#include "core/LockFile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

void StoreLeftovers::Remove(const std::string& boardPath, const std::string& lockPath, int64_t serverNowNs)
{
    const std::string folder = FilePath::DirectoryOf(boardPath);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const std::chrono::nanoseconds serverNow(serverNowNs);
    while (const struct dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!AtomicFile::IsTemporaryOf(boardPath, name) && !LockFile::IsWorkingFileOf(lockPath, name) &&
            !EmptyBoardWriter::IsTemporaryOf(boardPath, name))
            continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const auto modified = std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
        if (serverNow - modified > kAbandonedAfter)
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}
