#include "AttachmentCopier.h"

#include "board/AttachmentFiles.h"
#include "core/FileCopy.h"
#include "core/FilePath.h"

#include <cstring>

namespace {

// "path: reason", naming the side that failed.
std::string Describe(const std::string& source, const std::string& target, const FileCopy::Result& result)
{
    if (result.failure == FileCopy::Failure::NotRegular)
        return source + ": not a regular file";
    return result.FailedPath(source, target) + ": " + std::strerror(result.error);
}

} // namespace

bool AttachmentCopier::CheckSources(const std::vector<std::string>& sources, std::string& error)
{
    for (const std::string& source : sources) {
        if (const FileCopy::Result checked = FileCopy::CheckSource(source); !checked.ok()) {
            error = Describe(source, {}, checked);
            return false;
        }
    }
    return true;
}

bool AttachmentCopier::CopyInto(const std::string& folder, const std::vector<std::string>& sources,
                                std::string& error)
{
    if (const int failure = FilePath::MakeFolders(folder); failure != 0) {
        error = folder + ": " + std::strerror(failure);
        return false;
    }
    std::vector<AttachRecord> records;
    for (const std::string& source : sources)
        records.push_back(AttachmentFiles::ToAdd(source));
    const AttachmentFiles::CommitResult copied = AttachmentFiles::Commit(folder, records);
    if (!copied.ok())
        error = Describe(copied.source, copied.destination, copied.failure);
    return copied.ok();
}
