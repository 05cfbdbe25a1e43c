#include "core/AtomicFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/resource.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

size_t EntryCount(const std::string& folder)
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                             std::filesystem::directory_iterator()));
}

TEST(AtomicFile, ReplacesContentsAndKeepsPermissions)
{
    TempDir dir;
    const std::string path = dir.file("f.txt");
    TempDir::Write(path, "old");
    ASSERT_EQ(chmod(path.c_str(), 0604), 0);
    ASSERT_TRUE(AtomicFile::Write(path, {"new ", "parts"}));
    EXPECT_EQ(TempDir::Read(path), "new parts");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_EQ(EntryCount(dir.path()), 1u);

    std::string read;
    EXPECT_TRUE(AtomicFile::ReadAll(path, read));
    EXPECT_EQ(read, "new parts");
    EXPECT_FALSE(AtomicFile::ReadAll(dir.file("none"), read));
    EXPECT_FALSE(AtomicFile::ReadAll(dir.path(), read)) << "a folder is not a file";
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(AtomicFile::ReadAll(dir.file("fifo"), read)) << "must not wait for a writer";
    ASSERT_EQ(symlink("/dev/zero", dir.file("zero").c_str()), 0);
    EXPECT_FALSE(AtomicFile::ReadAll(dir.file("zero"), read)) << "must not read without end";
}

TEST(AtomicFile, AFailedWriteLeavesTheOldFileAndNoTemporary)
{
    TempDir dir;
    const std::string path = dir.file("f.txt");
    TempDir::Write(path, "old");
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit tiny = old;
    tiny.rlim_cur = 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    std::string error;
    const bool written = AtomicFile::Write(path, {std::string(100, 'x')}, &error);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(TempDir::Read(path), "old");
    EXPECT_EQ(EntryCount(dir.path()), 1u);

    EXPECT_FALSE(AtomicFile::Write(dir.file("missing/f.txt"), {"x"}));
    ASSERT_EQ(symlink("/dev/null", dir.file("null").c_str()), 0);
    EXPECT_FALSE(AtomicFile::Write(dir.file("null"), {"x"})) << "a device is never replaced";
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("null")));
}

TEST(AtomicFile, AMemberWhoIsNotTheOwnerKeepsTheFilesGroup)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to play another user";
    constexpr gid_t kSharedGroup = 50;
    constexpr uid_t kMember = 65534;
    TempDir dir;
    const std::string path = dir.file("board.xml");
    TempDir::Write(path, "old");
    ASSERT_EQ(chown(dir.path().c_str(), 0, kSharedGroup), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0770), 0);
    ASSERT_EQ(chown(path.c_str(), 0, kSharedGroup), 0);
    ASSERT_EQ(chmod(path.c_str(), 0660), 0);

    const pid_t member = fork();
    if (member == 0) {
        const gid_t groups[] = {kSharedGroup};
        if (setgroups(1, groups) != 0 || setgid(kMember) != 0 || setuid(kMember) != 0)
            _exit(2);
        _exit(AtomicFile::Write(path, {"new"}) ? 0 : 1);
    }
    int status = 0;
    waitpid(member, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, kSharedGroup) << "other members reach the file through its group";
    EXPECT_EQ(st.st_mode & 0777, 0660u);
    EXPECT_EQ(TempDir::Read(path), "new");
}

} // namespace
