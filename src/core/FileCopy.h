#pragma once

#include "core/Status.h"

#include <cstdint>
#include <functional>
#include <string>

// Copies one file into place so that nobody ever sees a part of it: the
// contents go to a temporary file in the destination's folder, which takes
// the destination's name only once complete and on disk.
class FileCopy
{
public:
    // Copies in progress live under this name until complete.
    static constexpr const char* kCopyPrefix = ".quorl-copy-";

    // Told the bytes copied so far after each chunk.
    using Progress = std::function<void(int64_t copied)>;

    // Opens the source as Copy does, without copying. A failure's subject is
    // the path of the side that failed; a source that is no plain file (a
    // folder, a FIFO, a device) fails with QuorlError::NotRegularFile.
    static Status CheckSource(const std::string& source);

    // The new file gets mode 0666 less the umask. A symbolic link at the
    // destination is replaced, never written through. When the destination
    // already is the source (the same file, not a link to it) nothing is
    // written and the whole size is reported as copied. On failure the
    // destination is as it was and no temporary file is left.
    static Status Copy(const std::string& source, const std::string& destination, const Progress& progress = {});
};
