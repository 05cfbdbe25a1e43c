#include "AttachmentFolder.h"

#include "core/Cp932Codec.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsSafeComponent(const std::string& value)
{
    if (value.empty() || value.find("..") != std::string::npos)
        return false;
    for (unsigned char c : value) {
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F)
            return false;
    }
    return true;
}

} // namespace

std::string AttachmentFolder::Join(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string AttachmentFolder::AttachmentFolderPath(const std::string& messageFolder,
                                                   const std::string& hostName, const std::string& date)
{
    // Checked after conversion: in CP932 the byte of "\\" also occurs as the
    // second byte of kana such as "ソ".
    const std::string host = Cp932Codec::ToUtf8(hostName);
    const std::string when = Cp932Codec::ToUtf8(date);
    if (messageFolder.empty() || !IsSafeComponent(host) || !IsSafeComponent(when))
        return {};
    return Join(Join(messageFolder, kRootName), host + "_" + when);
}

void AttachmentFolder::RemoveAttachmentFolder(const std::string& folderPath)
{
    if (folderPath.empty())
        return;
    struct stat st {};
    if (::lstat(folderPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    if (DIR* dir = ::opendir(folderPath.c_str()); dir != nullptr) {
        while (struct dirent* entry = ::readdir(dir)) {
            const std::string path = Join(folderPath, entry->d_name);
            struct stat entrySt {};
            if (::lstat(path.c_str(), &entrySt) != 0 || S_ISDIR(entrySt.st_mode))
                continue;
            ::unlink(path.c_str());
        }
        ::closedir(dir);
    }
    ::rmdir(folderPath.c_str());
}
