#include "core/AtomicFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

TEST(AtomicFile, ReplacesContentsThroughLinksAndKeepsPermissions)
{
    TempDir dir;
    const std::string path = dir.file("f.txt");
    const std::string link = dir.file("link");
    TempDir::Write(path, "old");
    ASSERT_EQ(chmod(path.c_str(), 0604), 0);
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(AtomicFile::Write(link, {"new ", "parts"}));
    EXPECT_EQ(TempDir::Read(path), "new parts");
    EXPECT_EQ(ModeOf(path), 0604u);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(EntryCount(dir.path()), 2);

    std::string read;
    EXPECT_TRUE(AtomicFile::ReadAll(path, read));
    EXPECT_EQ(read, "new parts");
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", dir.file("zero").c_str()), 0);
    // Missing, a folder, a FIFO (must not wait for a writer), a device (must not read without end).
    for (const std::string& name : {dir.file("none"), dir.path(), dir.file("fifo"), dir.file("zero")})
        EXPECT_FALSE(AtomicFile::ReadAll(name, read)) << name;
}

TEST(AtomicFile, AFailedWriteLeavesTheOldFileAndNoTemporary)
{
    TempDir dir;
    const std::string path = dir.file("f.txt");
    TempDir::Write(path, "old");
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const struct rlimit tiny = {10, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    std::string error;
    const bool written = AtomicFile::Write(path, {std::string(100, 'x')}, &error);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(TempDir::Read(path), "old");
    EXPECT_EQ(EntryCount(dir.path()), 1);

    EXPECT_FALSE(AtomicFile::Write(dir.file("missing/f.txt"), {"x"}));
    ASSERT_EQ(symlink("/dev/null", dir.file("null").c_str()), 0);
    EXPECT_FALSE(AtomicFile::Write(dir.file("null"), {"x"})) << "a device is never replaced";
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("null")));
}

// In a folder the group may write: a member keeps the shared file's group, and
// cannot replace a file its owner made read-only.
TEST(AtomicFile, AMemberWhoIsNotTheOwnerKeepsTheGroupAndRespectsReadOnlyFiles)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to play another user";
    constexpr gid_t kSharedGroup = 50;
    constexpr uid_t kMember = 65534;
    TempDir dir;
    const std::string path = dir.file("board.xml");
    const std::string readOnly = dir.file("other.xml");
    TempDir::Write(path, "old");
    TempDir::Write(readOnly, "old");
    const std::pair<std::string, mode_t> modes[] = {{dir.path(), 0770}, {path, 0660}, {readOnly, 0444}};
    for (const auto& [file, mode] : modes) {
        ASSERT_EQ(chown(file.c_str(), 0, kSharedGroup), 0);
        ASSERT_EQ(chmod(file.c_str(), mode), 0);
    }
    const pid_t member = fork();
    if (member == 0) {
        const gid_t groups[] = {kSharedGroup};
        if (setgroups(1, groups) != 0 || setgid(kMember) != 0 || setuid(kMember) != 0)
            _exit(2);
        _exit(AtomicFile::Write(path, {"new"}) && !AtomicFile::Write(readOnly, {"new"}) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(member, &status, 0), member);
    ASSERT_EQ(status, 0) << "exit status";
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, kSharedGroup) << "other members reach the file through its group";
    EXPECT_EQ(ModeOf(path), 0660u);
    EXPECT_EQ(TempDir::Read(path), "new");
    EXPECT_EQ(TempDir::Read(readOnly), "old");
    EXPECT_EQ(EntryCount(dir.path()), 2);
}

// Another user's file in a sticky folder, or a file in a folder only its owner
// may write: a member who may write the file cannot replace it. Asked to, he
// writes it in place, and a write that fails part-way leaves the old contents.
TEST(AtomicFile, WhereTheFolderRefusesReplacingAWritableFileItIsWrittenInPlaceOnlyIfAsked)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to play another user";
    constexpr uid_t kMember = 65534;
    constexpr auto kInPlace = AtomicFile::InPlace::WhereReplacingIsRefused;
    for (const mode_t folderMode : {mode_t{01777}, mode_t{0755}}) {
        TempDir dir;
        const std::string path = dir.file("board.xml");
        TempDir::Write(path, "old contents");
        ASSERT_EQ(chmod(path.c_str(), 0666), 0);
        ASSERT_EQ(chmod(dir.path().c_str(), folderMode), 0);
        struct stat before {};
        ASSERT_EQ(stat(path.c_str(), &before), 0);
        const pid_t member = fork();
        if (member == 0) {
            if (setgid(kMember) != 0 || setuid(kMember) != 0)
                _exit(2);
            if (AtomicFile::Write(path, {"refused"}) || !AtomicFile::Write(path, {"new"}, nullptr, kInPlace))
                _exit(1);
            struct rlimit limit {};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 8;
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(AtomicFile::Write(path, {"far too long for the limit"}, nullptr, kInPlace) ? 3 : 0);
        }
        int status = -1;
        ASSERT_EQ(waitpid(member, &status, 0), member);
        EXPECT_EQ(status, 0) << std::oct << folderMode;
        struct stat after {};
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "written in place";
        EXPECT_EQ(TempDir::Read(path), "new");
        EXPECT_EQ(EntryCount(dir.path()), 1);
    }
}

} // namespace
