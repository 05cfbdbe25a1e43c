#include "core/FilePath.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(FilePath, MakeFoldersCreatesOnlyWhatIsMissingWithTheModeLessTheUmask)
{
    TempDir dir;
    fs::create_directories(dir.file("a"));
    ASSERT_EQ(chmod(dir.file("a").c_str(), 0700), 0);
    TempDir::Write(dir.file("plain"), "p");
    const mode_t oldMask = ::umask(022);
    const int nested = FilePath::MakeFolders(dir.file("a//b/c/")).value();
    const int own = FilePath::MakeFolders(dir.file("own/d"), 0700).value();
    const int throughFile = FilePath::MakeFolders(dir.file("plain/x")).value();
    const int onFile = FilePath::MakeFolders(dir.file("plain")).value();
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const int relative = FilePath::MakeFolders("r/s").value();
    fs::current_path(before);
    ::umask(oldMask);

    EXPECT_EQ(std::vector<int>({nested, own, throughFile, onFile, relative}), std::vector<int>({0, 0, ENOTDIR, ENOTDIR, 0}));
    EXPECT_EQ(fs::status(dir.file("a")).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(dir.file("a/b/c")).permissions(), static_cast<fs::perms>(0755));
    EXPECT_EQ(fs::status(dir.file("own/d")).permissions(), fs::perms::owner_all);
    EXPECT_EQ(TempDir::Read(dir.file("plain")), "p");
    EXPECT_TRUE(fs::is_directory(dir.file("r/s")));
    EXPECT_EQ(FilePath::MakeFolders("").value(), EINVAL);
}

} // namespace
