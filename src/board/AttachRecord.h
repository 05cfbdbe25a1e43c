#pragma once

#include <cstdint>
#include <string>

// One file of a message's attachments while the message is edited: a file
// already in the attachment folder (stored) or one picked to be copied there,
// either of which may have been removed since.
struct AttachRecord
{
    static constexpr uint32_t kStored = 0x01;
    static constexpr uint32_t kRemoved = 0x10;

    uint32_t flags = 0;
    int64_t size = 0;
    std::string path; // file-system path
};
