#include "core/FilePath.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

TEST(FilePath, MakeFoldersCreatesOnlyWhatIsMissingWithTheModeLessTheUmask)
{
    TempDir dir;
    fs::create_directories(dir.file("a"));
    ASSERT_EQ(chmod(dir.file("a").c_str(), 0700), 0);
    TempDir::Write(dir.file("plain"), "p");
    const mode_t oldMask = ::umask(022);
    EXPECT_EQ(FilePath::MakeFolders(dir.file("a//b/c/")).value(), 0);
    EXPECT_EQ(FilePath::MakeFolders(dir.file("plain/x")).value(), ENOTDIR);
    ::umask(oldMask);
    EXPECT_EQ(fs::status(dir.file("a")).permissions(), fs::perms::owner_all) << "an existing folder keeps its mode";
    EXPECT_EQ(fs::status(dir.file("a/b/c")).permissions(), static_cast<fs::perms>(0755));
    EXPECT_EQ(TempDir::Read(dir.file("plain")), "p");
}

} // namespace
