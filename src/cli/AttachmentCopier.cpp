#include "AttachmentCopier.h"

#include "board/AttachmentFiles.h"
#include "core/FileCopy.h"
#include "core/FilePath.h"

Status AttachmentCopier::CheckSources(const std::vector<std::string>& sources)
{
    for (const std::string& source : sources) {
        if (Status checked = FileCopy::CheckSource(source); !checked.ok())
            return checked;
    }
    return {};
}

Status AttachmentCopier::CopyInto(const std::string& folder, const std::vector<std::string>& sources)
{
    if (const std::error_code failure = FilePath::MakeFolders(folder))
        return {failure, folder};
    std::vector<AttachRecord> records;
    for (const std::string& source : sources)
        records.push_back(AttachmentFiles::ToAdd(source));
    return AttachmentFiles::Commit(folder, records).failure;
}
