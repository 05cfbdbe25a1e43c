#pragma once

#include <string>

// Where a message's attached files lie: below the "attach" folder beside the
// board file, in a folder named after the computer and the time at which the
// message was first written.
class AttachmentFolder
{
public:
    static constexpr const char* kRootName = "attach";

    // messageFolder is a file-system path; hostName and date are the CP932
    // values of the record. Returns an empty path when host name or date could
    // lead outside the attach folder (a separator, "..", empty, control bytes):
    // such a message has no folder.
    static std::string AttachmentFolderPath(const std::string& messageFolder,
                                            const std::string& hostName, const std::string& date);

    // Deletes the plain files of the folder and then the folder itself.
    // Sub-folders are left alone, so the folder then stays. Nothing is reported.
    static void RemoveAttachmentFolder(const std::string& folderPath);

    // A file-system path joined from a folder and a name.
    static std::string Join(const std::string& folder, const std::string& name);
};
