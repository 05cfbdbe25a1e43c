#include "AttachmentCopier.h"

#include "board/AttachmentFolder.h"
#include "core/FileCopy.h"

#include <cstring>
#include <filesystem>

namespace {

// "path: reason", naming the side that failed.
std::string Describe(const std::string& source, const std::string& target, const FileCopy::Result& result)
{
    if (result.failure == FileCopy::Failure::NotRegular)
        return source + ": not a regular file";
    const std::string& path = result.failure == FileCopy::Failure::Destination ? target : source;
    return path + ": " + std::strerror(result.error);
}

} // namespace

std::string AttachmentCopier::BaseName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

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
    const FileCopy::Result copied = FileCopy::Copy(source, target);
    if (!copied.ok())
        error = Describe(source, target, copied);
    return copied.ok();
}
