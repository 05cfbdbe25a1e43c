#pragma once

#include "core/Status.h"

#include <string>
#include <sys/types.h>

// File-system paths as plain strings, '/' separated.
class FilePath
{
public:
    // The folder of a path ("." for a bare name) and the name in it.
    static std::string DirectoryOf(const std::string& path);
    static std::string BaseNameOf(const std::string& path);

    // Creates the folder and whatever of its parents is missing, each with
    // mode less the umask (by default all that the umask allows). Succeeds
    // when the folder is there afterwards; else the error of the step that
    // failed (ENOTDIR where a file stands).
    static std::error_code MakeFolders(const std::string& path, mode_t mode = 0777);
};
