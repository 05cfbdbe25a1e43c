#include "board/AttachmentFolder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TEST(AttachmentFolder, NamesTheFolderByHostAndDateBelowAttachOnlyForSafeValues)
{
    EXPECT_EQ(AttachmentFolder::AttachmentFolderPath("/srv/board/", "H", "20021201090507"),
              "/srv/board/attach/H_20021201090507");
    // "ソ" ends in the byte of a backslash in code page 932; the folder name is UTF-8.
    EXPECT_EQ(AttachmentFolder::AttachmentFolderPath("/b/", "\x83\x5C\x83\x74\x83\x67", "20020101000000"),
              "/b/attach/ソフト_20020101000000");
    for (const char* host : {"", "..", "../..", "a/b", "a\\b", "x..y", "a\nb"})
        EXPECT_EQ(AttachmentFolder::AttachmentFolderPath("/b/", host, "20020101000000"), "") << host;
    for (const char* date : {"", "..", "/etc", "../../x"})
        EXPECT_EQ(AttachmentFolder::AttachmentFolderPath("/b/", "pc01", date), "") << date;
    EXPECT_EQ(AttachmentFolder::AttachmentFolderPath("", "pc01", "20020101000000"), "");
}

TEST(AttachmentFolder, RemovingTakesPlainFilesAndLinksButNotSubFoldersOrWhatLinksPointTo)
{
    TempDir dir;
    const std::string folder = dir.file("attach/pc01_20020101000000");
    fs::create_directories(folder + "/sub");
    fs::create_directories(dir.file("elsewhere"));
    for (const std::string& file : {folder + "/sub/keep.txt", folder + "/a.txt", dir.file("elsewhere/inner.txt")})
        TempDir::Write(file, "x");
    ASSERT_EQ(symlink(dir.file("elsewhere/inner.txt").c_str(), (folder + "/link.txt").c_str()), 0);
    ASSERT_EQ(symlink(dir.file("elsewhere").c_str(), (folder + "/dirlink").c_str()), 0);

    AttachmentFolder::RemoveAttachmentFolder(folder);
    EXPECT_TRUE(fs::exists(folder + "/sub/keep.txt") && fs::exists(dir.file("elsewhere/inner.txt")));
    EXPECT_FALSE(fs::exists(folder + "/a.txt") || fs::is_symlink(folder + "/link.txt"));

    fs::remove_all(folder + "/sub");
    AttachmentFolder::RemoveAttachmentFolder(folder);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::exists(dir.file("attach"))) << "the attachment root stays";
    AttachmentFolder::RemoveAttachmentFolder(folder); // missing: nothing happens
    AttachmentFolder::RemoveAttachmentFolder("");
}

} // namespace
