#pragma once

#include <string>
#include <vector>

// Copies the files attached to a new message into its attachment folder.
class AttachmentCopier
{
public:
    // True when every source is a regular file that can be opened for reading.
    static bool CheckSources(const std::vector<std::string>& sources, std::string& error);

    // Creates the folder with its parents and copies each source into it under
    // its base name; a later source replaces an earlier one of the same name.
    static bool CopyInto(const std::string& folder, const std::vector<std::string>& sources,
                         std::string& error);
};
