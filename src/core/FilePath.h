#pragma once

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
    // mode less the umask (by default all that the umask allows). 0 when the
    // folder is there afterwards, else the errno value of the step that
    // failed (ENOTDIR where a file stands).
    static int MakeFolders(const std::string& path, mode_t mode = 0777);
};
