#pragma once

#include "core/Status.h"

#include <string>

// A file written under a temporary name in its destination's folder and
// renamed over the destination once complete and on disk, so that readers
// see the old contents or the new, never a part, also after a power cut.
// Unless moved, the file is removed when this goes.
class TemporaryFile
{
public:
    // pattern is a path ending in "XXXXXX", which becomes a new unique name.
    explicit TemporaryFile(std::string pattern);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // False when the file could not be made; error() tells why.
    bool created() const { return created_; }
    const std::error_code& error() const { return error_; }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

    // Flushes the contents, and the mode and owner set meanwhile, to disk
    // and closes the file.
    std::error_code Complete();
    // Renames the completed file over target, then flushes the folder so that
    // the new name is on disk too. On failure the file stays under its
    // temporary name.
    std::error_code MoveTo(const std::string& target);
    // Closes and removes the file.
    void Discard();

private:
    std::string path_;
    int fd_ = -1;
    std::error_code error_;
    bool created_ = false;
    bool present_ = false; // under the temporary name
};
