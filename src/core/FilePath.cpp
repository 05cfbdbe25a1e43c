#include "core/FilePath.h"

#include <cerrno>
#include <sys/stat.h>

std::string FilePath::DirectoryOf(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string FilePath::BaseNameOf(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Only what is missing is made: a folder we may not write may still hold the
// parents we need.
std::error_code FilePath::MakeFolders(const std::string& path, mode_t mode)
{
    if (path.empty())
        return SystemError(EINVAL);
    struct stat st {};
    for (std::string::size_type end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (part.back() != '/' && ::stat(part.c_str(), &st) != 0 && ::mkdir(part.c_str(), mode) != 0 &&
            errno != EEXIST)
            return LastSystemError();
        if (end == std::string::npos)
            break;
    }
    if (::stat(path.c_str(), &st) != 0)
        return LastSystemError();
    return S_ISDIR(st.st_mode) ? std::error_code() : SystemError(ENOTDIR);
}
