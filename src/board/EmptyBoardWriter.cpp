#include "board/EmptyBoardWriter.h"

#include "core/FilePath.h"
#include "core/NewFile.h"

#include <cerrno>
#include <unistd.h>

namespace {

// Shared by all members; the umask decides.
constexpr NewFile::Options kBoardOptions{0666, false, true};
constexpr int kMaxTempAttempts = 100;
constexpr const char* kTemporarySuffix = ".tmp";

// Written under a private name first, so that it can be published whole.
std::string WriteTemporary(const std::string& path, const std::string& contents, std::error_code& error)
{
    for (int attempt = 0; attempt < kMaxTempAttempts; ++attempt) {
        std::string temp =
            path + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) + kTemporarySuffix;
        error = NewFile::Create(temp, contents, kBoardOptions);
        if (!error)
            return temp;
        if (error != std::errc::file_exists)
            return {};
    }
    return {};
}

} // namespace

// "<board>.<pid>.<attempt>.tmp"
bool EmptyBoardWriter::IsTemporaryOf(const std::string& path, std::string_view name)
{
    const std::string prefix = FilePath::BaseNameOf(path) + ".";
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

Status EmptyBoardWriter::Create(const std::string& path, std::string_view encoding)
{
    const std::string contents = Contents(encoding);
    std::error_code failure;
    const std::string temp = WriteTemporary(path, contents, failure);
    if (temp.empty())
        return {failure, path};
    return {NewFile::Publish(temp, path, contents, kBoardOptions), path};
}
