#pragma once

#include <string>
#include <string_view>

// Brings a new board file into being: an empty root element under an XML
// declaration that fixes the file's encoding from then on.
class EmptyBoardWriter
{
public:
    enum class Result { Created, Exists, Failed };

    static std::string Contents(std::string_view encoding);

    // Never replaces an existing file, not even one that appears meanwhile;
    // readers never see the file half written.
    static Result Create(const std::string& path, std::string_view encoding, std::string& error);

    // Whether name, an entry of the board's folder, is one of the temporary
    // files in which Create prepares the board at path.
    static bool IsTemporaryOf(const std::string& path, std::string_view name);
};
