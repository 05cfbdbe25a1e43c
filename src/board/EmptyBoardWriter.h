#pragma once

#include "core/Status.h"

#include <string>
#include <string_view>

// Brings a new board file into being: an empty root element under an XML
// declaration that fixes the file's encoding from then on.
class EmptyBoardWriter
{
public:

    static std::string Contents(std::string_view encoding);

    // Never replaces an existing file, not even one that appears meanwhile;
    // readers never see the file half written. Fails with EEXIST, and the
    // path as its subject, when a file is there.
    static Status Create(const std::string& path, std::string_view encoding);

    // Whether name, an entry of the board's folder, is one of the temporary
    // files in which Create prepares the board at path.
    static bool IsTemporaryOf(const std::string& path, std::string_view name);
};
