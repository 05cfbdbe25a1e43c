#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Replaces a file so that a reader sees either the old or the new contents,
// never a part: the data goes to a temporary file in the same folder, is
// flushed to disk and renamed over the target.
class AtomicFile
{
public:
    // Writes the parts one after another. A symbolic link is followed, so the
    // file it points to is replaced, not the link. The old file's permission
    // bits (and owner, where allowed) carry over. On failure the target is
    // untouched, the temporary file is gone and errno-style text is in *error.
    static bool Write(const std::string& path, const std::vector<std::string_view>& parts,
                      std::string* error = nullptr);

    // Writes all of data to fd, going on after short writes and signals.
    static bool WriteFully(int fd, std::string_view data);

    // Reads a whole file in one go. False when it cannot be opened or read,
    // and with errno EFBIG, without reading it, when it holds more than
    // maxSize bytes.
    static bool ReadAll(const std::string& path, std::string& out, size_t maxSize = SIZE_MAX);
};
