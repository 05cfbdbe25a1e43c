#include "core/FileCopy.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Failure = FileCopy::Failure;
using Names = std::set<std::string>;
constexpr int64_t kMiB = 1 << 20;

Names Entries(const std::string& folder)
{
    Names names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

ino_t InodeOf(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(FileCopy, CopiesWholeFilesReportingProgressPerChunkWithTheUmaskMode)
{
    TempDir dir;
    const mode_t oldMask = ::umask(027);
    for (int64_t size : {int64_t{0}, int64_t{1}, kMiB, 3 * kMiB + 1}) {
        std::string bytes(static_cast<size_t>(size), '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 131 % 251);
        TempDir::Write(dir.file("src"), bytes);
        TempDir::Write(dir.file("dst"), "old contents");
        std::vector<int64_t> told{0};
        ASSERT_TRUE(FileCopy::Copy(dir.file("src"), dir.file("dst"), [&](int64_t n) { told.push_back(n); }).ok());
        EXPECT_EQ(TempDir::Read(dir.file("dst")), bytes) << size;
        EXPECT_EQ(fs::status(dir.file("dst")).permissions(), static_cast<fs::perms>(0640));
        EXPECT_EQ(Entries(dir.path()), (Names{"src", "dst"}));
        EXPECT_EQ(told.back(), size);
        for (size_t i = 1; i < told.size(); ++i)
            EXPECT_TRUE(told[i] > told[i - 1] && told[i] - told[i - 1] <= kMiB) << size << " at " << i;
    }
    ::umask(oldMask);
}

TEST(FileCopy, FailuresNameTheSideAndLeaveTheDestinationAsItWas)
{
    TempDir dir;
    TempDir::Write(dir.file("big"), std::string(100000, 'b'));
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    fs::create_directories(dir.file("out"));
    const std::string target = dir.file("out/f");
    const std::tuple<std::string, std::string, Failure, int> cases[] = {
        {dir.file("none"), target, Failure::Source, ENOENT},
        {dir.path(), target, Failure::NotRegular, EISDIR},
        {dir.file("fifo"), target, Failure::NotRegular, 0}, // must not wait for a writer
        {"/dev/null", target, Failure::NotRegular, 0},
        {dir.file("big"), dir.file("none/f"), Failure::Destination, ENOENT},
        {dir.file("big"), target, Failure::Destination, EFBIG}, // over the file size limit
    };
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const struct rlimit tiny = {4096, old.rlim_max};
    for (const auto& [source, destination, failure, error] : cases) {
        SCOPED_TRACE(source + " -> " + destination);
        TempDir::Write(target, "old");
        const FileCopy::Result checked = FileCopy::CheckSource(source);
        EXPECT_EQ(checked.failure, failure == Failure::Destination ? Failure::None : failure);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, error == EFBIG ? &tiny : &old), 0);
        const FileCopy::Result result = FileCopy::Copy(source, destination);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
        EXPECT_EQ(result.failure, failure);
        EXPECT_EQ(result.error, error);
        EXPECT_EQ(TempDir::Read(target), "old");
        EXPECT_EQ(Entries(dir.file("out")), Names{"f"}) << "no temporary file is left";
    }
}

TEST(FileCopy, TheSameFileIsLeftAloneAndLinksAtTheDestinationAreReplaced)
{
    TempDir dir;
    const std::string note = dir.file("note.txt");
    TempDir::Write(note, "attached");
    TempDir::Write(dir.file("victim.txt"), "keep me");
    ASSERT_EQ(link(note.c_str(), dir.file("hard.txt").c_str()), 0);
    const ino_t inode = InodeOf(note);
    for (const std::string& destination : {note, dir.file("hard.txt")}) {
        int64_t told = -1;
        EXPECT_TRUE(FileCopy::Copy(note, destination, [&](int64_t n) { told = n; }).ok());
        EXPECT_EQ(InodeOf(destination), inode) << destination;
        EXPECT_EQ(told, 8) << "counted as copied";
    }
    // A link planted where the copy goes, to another file or to the source.
    for (const std::string& linked : {dir.file("victim.txt"), note}) {
        const std::string planted = dir.file("planted.txt");
        fs::remove(planted);
        fs::create_symlink(linked, planted);
        ASSERT_TRUE(FileCopy::Copy(note, planted).ok());
        EXPECT_FALSE(fs::is_symlink(planted));
        EXPECT_EQ(TempDir::Read(planted), "attached");
    }
    EXPECT_EQ(TempDir::Read(dir.file("victim.txt")), "keep me");
    EXPECT_EQ(TempDir::Read(note), "attached");
    EXPECT_EQ(InodeOf(note), inode);
}

} // namespace
