#pragma once

#include "core/Status.h"

#include <string>
#include <vector>

// Copies the files attached to a new message into its attachment folder.
class AttachmentCopier
{
public:
    // Whether every source is a regular file that can be opened for reading;
    // a failure's subject is the first that is not.
    static Status CheckSources(const std::vector<std::string>& sources);

    // Creates the folder with its parents and copies each source into it under
    // its base name; a later source replaces an earlier one of the same name.
    static Status CopyInto(const std::string& folder, const std::vector<std::string>& sources);
};
