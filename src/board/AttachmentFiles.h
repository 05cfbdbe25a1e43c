#pragma once

#include "board/AttachRecord.h"
#include "core/FileCopy.h"

#include <functional>
#include <string>
#include <vector>

// The files in a message's attachment folder, and bringing the folder in line
// with the records of an edit.
class AttachmentFiles
{
public:
    // The regular files directly in the folder, and symbolic links to regular
    // files, as stored records. Sub-folders, links to them, dangling links,
    // special files and copies in progress are not attachments.
    static std::vector<AttachRecord> ListStored(const std::string& folder);

    // A file picked to be copied; its size is 0 unless it is a regular file.
    static AttachRecord ToAdd(const std::string& path);

    struct CommitResult
    {
        int copied = 0;
        int deleted = 0;
        // Why the copy that failed did, naming the side that failed.
        Status failure;
        bool ok() const { return failure.ok(); }
    };
    // Told which copy is under way (counted from 0) and its bytes copied so far.
    using Progress = std::function<void(int copy, int64_t copied)>;

    // Copies the added files that are kept into the folder, each under its
    // name (a later one of the same name replaces an earlier), and deletes the
    // stored files that were removed. Stops at the first file that cannot be
    // copied. The folder must exist.
    static CommitResult Commit(const std::string& folder, const std::vector<AttachRecord>& records,
                               const Progress& progress = {});
};
