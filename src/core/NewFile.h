#pragma once

#include "core/Status.h"

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

// Brings a file into being with all of its contents at once, never replacing
// one that is there, not even one that appears meanwhile: the contents are
// written under a private name in the same folder and published with link().
// Where the file system has no hard links, the file is created exclusively
// and written afterwards.
class NewFile
{
public:
    struct Options
    {
        mode_t mode = 0666;
        // The mode as given whatever the umask, for files other users must read.
        bool exactMode = false;
        // Flushed to disk before it is published.
        bool sync = false;
    };

    // Creates path exclusively and writes contents to it. On failure (EEXIST
    // when a file was there) nothing is left.
    // *written, when given, receives the new file's status.
    static std::error_code Create(const std::string& path, std::string_view contents, const Options& options,
                      struct stat* written = nullptr);

    // Publishes privateName, which Create wrote, as path and removes the
    // private name; EEXIST when a file was there.
    static std::error_code Publish(const std::string& privateName, const std::string& path, std::string_view contents,
                       const Options& options);
};
