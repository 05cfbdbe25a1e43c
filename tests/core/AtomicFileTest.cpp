#include "core/AtomicFile.h"
#include "support/Injected.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

long EntryCount(const std::string& folder)
{
    return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(AtomicFile, ReplacesThroughLinksAndAFailedWriteLeavesTheOldFileAndNoTemporary)
{
    TempDir dir;
    const std::string path = dir.file("f.txt");
    TempDir::Write(path, "old");
    ASSERT_EQ(symlink(path.c_str(), dir.file("link").c_str()), 0);
    ASSERT_TRUE(AtomicFile::Write(dir.file("link"), {"new ", "parts"}).ok());
    EXPECT_EQ(TempDir::Read(path), "new parts");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));

    EXPECT_EQ(Injected::UnderFileSizeLimit(10, [&] { return AtomicFile::Write(path, {std::string(100, 'x')}); }).code(),
              std::errc::file_too_large);
    EXPECT_EQ(TempDir::Read(path), "new parts");
    EXPECT_EQ(EntryCount(dir.path()), 2);
    ASSERT_EQ(symlink("/dev/null", dir.file("null").c_str()), 0);
    EXPECT_FALSE(AtomicFile::Write(dir.file("null"), {"x"}).ok()) << "a device is never replaced";
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("null")));

    // A FIFO must not wait for a writer, a device must not be read without end.
    std::string read;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (const std::string& name : {dir.file("fifo"), std::string("/dev/zero"), dir.path()})
        EXPECT_FALSE(AtomicFile::ReadAll(name, read)) << name;
}

// In a folder the group may write: a member keeps the shared file's group, and
// cannot replace a file its owner made read-only.
TEST(AtomicFile, AMemberWhoIsNotTheOwnerKeepsTheGroupAndRespectsReadOnlyFiles)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to play another user";
    constexpr gid_t kSharedGroup = 50;
    TempDir dir;
    const std::string path = dir.file("board.xml"), readOnly = dir.file("other.xml");
    TempDir::Write(path, "old");
    TempDir::Write(readOnly, "old");
    for (const auto& [file, mode] : {std::pair{dir.path(), 0770}, {path, 0660}, {readOnly, 0444}})
        ASSERT_EQ(chown(file.c_str(), 0, kSharedGroup) + chmod(file.c_str(), mode), 0);
    ASSERT_EQ(Injected::AsUser(Injected::kNobody, [&] {
        return AtomicFile::Write(path, {"new"}).ok() && !AtomicFile::Write(readOnly, {"new"}).ok() ? 0 : 1;
    }, {kSharedGroup}), 0);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, kSharedGroup) << "other members reach the file through its group";
    EXPECT_EQ(ModeOf(path), 0660u);
    EXPECT_EQ(TempDir::Read(path) + TempDir::Read(readOnly), "newold");
    EXPECT_EQ(EntryCount(dir.path()), 2);
}

// Another user's file in a sticky folder, or a file in a folder only its owner
// may write: a member who may write the file cannot replace it. Asked to, he
// writes it in place, and a write that fails part-way leaves the old contents.
TEST(AtomicFile, WhereTheFolderRefusesReplacingAWritableFileItIsWrittenInPlaceOnlyIfAsked)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to play another user";
    constexpr auto kInPlace = AtomicFile::InPlace::WhereReplacingIsRefused;
    for (const mode_t folderMode : {mode_t{01777}, mode_t{0755}}) {
        TempDir dir;
        const std::string path = dir.file("board.xml");
        TempDir::Write(path, "old contents");
        ASSERT_EQ(chmod(path.c_str(), 0666) + chmod(dir.path().c_str(), folderMode), 0);
        struct stat before {}, after {};
        ASSERT_EQ(stat(path.c_str(), &before), 0);
        EXPECT_EQ(Injected::AsUser(Injected::kNobody, [&] {
            if (AtomicFile::Write(path, {"refused"}).ok() || !AtomicFile::Write(path, {"new"}, kInPlace).ok())
                return 1;
            return Injected::UnderFileSizeLimit(8, [&] {
                return AtomicFile::Write(path, {"far too long for the limit"}, kInPlace).ok() ? 3 : 0;
            });
        }), 0) << std::oct << folderMode;
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "written in place";
        EXPECT_EQ(TempDir::Read(path), "new");
        EXPECT_EQ(EntryCount(dir.path()), 1);
    }
}

} // namespace
