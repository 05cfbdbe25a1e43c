#pragma once

#include "core/Status.h"

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

// Replaces a file so that a reader sees either the old or the new contents,
// never a part: the data goes to a temporary file in the same folder, is
// flushed to disk and renamed over the target.
class AtomicFile
{
public:
    // What to do where the folder refuses to replace the file (another user's
    // file in a sticky folder, a folder we may not write) although the file
    // itself may be written: fail, or write over it in place. Readers can see
    // a part of an in-place write, so only a caller holding a lock that its
    // readers respect may ask for it.
    enum class InPlace { Never, WhereReplacingIsRefused };

    // Writes the parts one after another. A symbolic link is followed, so the
    // file it points to is replaced, not the link. The old file's permission
    // bits (and owner, where allowed) carry over. On failure the target is
    // untouched and the temporary file is gone.
    static Status Write(const std::string& path, const std::vector<std::string_view>& parts,
                        InPlace inPlace = InPlace::Never);

    // Writes all of data to fd, going on after short writes and signals.
    static bool WriteFully(int fd, std::string_view data);

    // Reads a whole file in one go. False when it cannot be opened or read,
    // and with errno EFBIG, without reading it, when it is larger than maxBytes.
    static bool ReadAll(const std::string& path, std::string& out,
                        size_t maxBytes = std::numeric_limits<size_t>::max());

    // Whether name, an entry of the target's folder, is one of the temporary
    // files in which Write prepares the target's new contents.
    static bool IsTemporaryOf(const std::string& target, std::string_view name);
};
