#include "board/AttachmentFiles.h"

#include "board/AttachmentFolder.h"
#include "core/FilePath.h"

#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

std::vector<AttachRecord> AttachmentFiles::ListStored(const std::string& folder)
{
    std::vector<AttachRecord> records;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return records;
    while (const struct dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(FileCopy::kCopyPrefix, 0) == 0)
            continue;
        const std::string path = AttachmentFolder::Join(folder, name);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        records.push_back(AttachRecord{AttachRecord::kStored, st.st_size, path});
    }
    ::closedir(dir);
    return records;
}

AttachRecord AttachmentFiles::ToAdd(const std::string& path)
{
    struct stat st {};
    const int64_t size = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : 0;
    return AttachRecord{0, size, path};
}

AttachmentFiles::CommitResult AttachmentFiles::Commit(const std::string& folder,
                                                      const std::vector<AttachRecord>& records,
                                                      const Progress& progress)
{
    const auto destinationOf = [&folder](const AttachRecord& record) {
        return AttachmentFolder::Join(folder, FilePath::BaseNameOf(record.path));
    };
    // A stored file that an added one of the same name is about to replace
    // stays until then: it may be that very file, picked again.
    std::set<std::string> destinations;
    for (const AttachRecord& record : records) {
        if ((record.flags & (AttachRecord::kStored | AttachRecord::kRemoved)) == 0)
            destinations.insert(destinationOf(record));
    }
    CommitResult result;
    for (const AttachRecord& record : records) {
        const bool stored = (record.flags & AttachRecord::kStored) != 0;
        const bool removed = (record.flags & AttachRecord::kRemoved) != 0;
        if (stored && removed && destinations.count(record.path) == 0) {
            result.deleted += ::unlink(record.path.c_str()) == 0 ? 1 : 0;
        } else if (!stored && !removed) {
            const int copy = result.copied;
            const std::string destination = destinationOf(record);
            FileCopy::Progress copied;
            if (progress)
                copied = [&progress, copy](int64_t bytes) { progress(copy, bytes); };
            result.failure = FileCopy::Copy(record.path, destination, copied);
            if (!result.ok())
                return result;
            ++result.copied;
        }
    }
    return result;
}
