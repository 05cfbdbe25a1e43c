#include "settings/FileSettingsBackend.h"

#include "core/AtomicFile.h"
#include "core/LockFile.h"
#include "settings/SettingsFileFormat.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using B = SettingsBackend;
using namespace std::chrono_literals;

constexpr const char* kKey = "Software\\QuorlBoard";

int Set(FileSettingsBackend& backend, const std::string& keyPath, const std::string& name,
        const std::string& data, uint32_t type = B::kTypeBinary)
{
    B::Handle key = B::kNoHandle;
    backend.CreateKey(keyPath, &key);
    backend.SetValue(key, name, type, data.data(), static_cast<uint32_t>(data.size()));
    return backend.CloseKey(key);
}

// The value's bytes, or "absent".
std::string Get(FileSettingsBackend& backend, const std::string& keyPath, const std::string& name,
                uint32_t* type = nullptr)
{
    B::Handle key = B::kNoHandle;
    if (backend.OpenKey(keyPath, &key) != B::kSuccess)
        return "absent";
    char buffer[256];
    uint32_t size = sizeof buffer;
    const int result = backend.QueryValue(key, name, type, buffer, &size);
    backend.CloseKey(key);
    return result == B::kSuccess ? std::string(buffer, size) : "absent";
}

class FileSettingsBackendTest : public ::testing::Test
{
protected:
    TempDir dir;
    const std::string path = dir.file("settings.reg");
};

TEST_F(FileSettingsBackendTest, DefaultFileFollowsTheEnvironment)
{
    const auto pathWith = [](const char* mine, const char* xdg) {
        setenv("HOME", "/home/u", 1);
        setenv("QUORLBOARD_CONFIG_DIR", mine, 1);
        xdg != nullptr ? setenv("XDG_CONFIG_HOME", xdg, 1) : unsetenv("XDG_CONFIG_HOME");
        return FileSettingsBackend::DefaultFilePath();
    };
    EXPECT_EQ(pathWith("/mine", "/xdg"), "/mine/settings.reg");
    EXPECT_EQ(pathWith("", "/xdg"), "/xdg/QuorlBoard/settings.reg");
    EXPECT_EQ(pathWith("", "relative"), "/home/u/.config/QuorlBoard/settings.reg");
    EXPECT_EQ(pathWith("", nullptr), "/home/u/.config/QuorlBoard/settings.reg");
    unsetenv("QUORLBOARD_CONFIG_DIR");
}

TEST_F(FileSettingsBackendTest, ChangesAreSavedOnCloseAndSeenByOtherPrograms)
{
    const std::string deep = dir.path() + "/new/folder/settings.reg";
    FileSettingsBackend first(deep), second(deep);
    B::Handle key = B::kNoHandle;
    ASSERT_EQ(first.CreateKey(std::string(kKey) + "\\Empty", &key), B::kSuccess);
    ASSERT_EQ(first.CloseKey(key), B::kSuccess);
    EXPECT_NE(TempDir::Read(deep).find("[Software\\QuorlBoard\\Empty]\n"), std::string::npos);

    first.CreateKey(kKey, &key);
    first.SetValue(key, "odd", 7, "\0\1", 2);
    EXPECT_EQ(Get(first, kKey, "odd") + "|" + Get(second, kKey, "odd"), std::string("\0\1|absent", 9));
    ASSERT_EQ(first.CloseKey(key), B::kSuccess);
    uint32_t type = 0;
    EXPECT_EQ(Get(second, kKey, "ODD", &type), std::string("\0\1", 2));
    EXPECT_EQ(type, 7u);

    // Each saves onto what the other wrote, even from an outdated copy.
    for (const std::string round : {"0", "1", "2"}) {
        ASSERT_EQ(Set(second, kKey, "b" + round, "2") + Set(first, kKey, "a" + round, "1"), B::kSuccess);
    }
    FileSettingsBackend third(deep);
    for (const std::string round : {"0", "1", "2"})
        EXPECT_EQ(Get(third, kKey, "a" + round) + Get(first, kKey, "b" + round), "12");
    EXPECT_TRUE(SettingsFileFormat::Parse(TempDir::Read(deep)).HasKey({"Software", "QuorlBoard", "Empty"}));
}

TEST_F(FileSettingsBackendTest, ALockHeldElsewhereMakesTheWriteFailWithoutHarm)
{
    FileSettingsBackend backend(path, 100ms);
    ASSERT_EQ(Set(backend, kKey, "v", "1"), B::kSuccess);
    const std::string before = TempDir::Read(path);
    LockFile other(path + FileSettingsBackend::kLockSuffix);
    ASSERT_EQ(other.Acquire(), LockFile::Result::Acquired);
    B::Handle key = B::kNoHandle;
    backend.CreateKey(kKey, &key); // as every read of the store does
    EXPECT_EQ(backend.CloseKey(key), B::kSuccess);
    EXPECT_EQ(Set(backend, kKey, "v", "2"), B::kErrorBusy);
    EXPECT_EQ(TempDir::Read(path), before);
    EXPECT_EQ(Get(backend, kKey, "v"), "1");
    other.Release();
    EXPECT_EQ(Set(backend, kKey, "v", "3"), B::kSuccess);
    EXPECT_EQ(Get(backend, kKey, "v"), "3");
}

TEST_F(FileSettingsBackendTest, AnUnusablePlaceFailsTheWriteAndReadsFindNothing)
{
    TempDir::Write(dir.file("plain"), "not a folder");
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    for (const std::string& place : {dir.file("plain") + "/sub/settings.reg", path}) {
        FileSettingsBackend backend(place);
        const int set = Set(backend, kKey, "v", "1");
        EXPECT_TRUE(place == path ? set != B::kSuccess : set == B::kErrorAccessDenied) << place;
        EXPECT_EQ(Get(backend, kKey, "v"), "absent");
    }
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

// The first save keeps a copy of the whole file beside it, and what was
// readable in the file itself.
TEST_F(FileSettingsBackendTest, ADamagedOrHugeFileIsMovedAsideByTheFirstSave)
{
    const std::string damaged = "[Software\\QuorlBoard]\n\"kept\"=hex:01\n\x01\xff garbage\n";
    TempDir::Write(path, damaged);
    FileSettingsBackend backend(path);
    EXPECT_EQ(Get(backend, kKey, "kept"), "\x01");
    ASSERT_EQ(Set(backend, kKey, "new", "\x02"), B::kSuccess);
    EXPECT_EQ(TempDir::Read(path + FileSettingsBackend::kDamagedSuffix), damaged);
    size_t unreadable = 1;
    const SettingsTree saved = SettingsFileFormat::Parse(TempDir::Read(path), &unreadable);
    EXPECT_EQ(unreadable, 0u);
    EXPECT_EQ(saved.Values({"Software", "QuorlBoard"})->size(), 2u);

    const off_t huge = off_t(1) << 36; // sparse: reading it would take 64 GB
    ASSERT_EQ(::truncate(path.c_str(), huge), 0);
    FileSettingsBackend tooLarge(path);
    EXPECT_TRUE(Get(tooLarge, kKey, "kept") == "absent" && tooLarge.TooLarge());
    ASSERT_EQ(Set(tooLarge, kKey, "v", "\x03"), B::kSuccess);
    EXPECT_FALSE(tooLarge.TooLarge());
    struct stat st {};
    ASSERT_EQ(::stat((path + FileSettingsBackend::kDamagedSuffix).c_str(), &st), 0);
    EXPECT_EQ(st.st_size, huge);
    FileSettingsBackend reader(path);
    EXPECT_EQ(Get(reader, kKey, "v") + Get(reader, kKey, "kept"), "\x03" "absent");
}

TEST_F(FileSettingsBackendTest, ProgramsWritingAtOnceLoseNothingAndNeverShowAHalfWrittenFile)
{
    constexpr int kPrograms = 6, kValues = 15;
    const auto keyOf = [](int program, int value) {
        return std::string(kKey) + (value % 2 == 0 ? "\\shared" : "\\p" + std::to_string(program));
    };
    const auto nameOf = [](int program, int value) { return std::to_string(program) + "." + std::to_string(value); };
    for (int program = 0; program < kPrograms; ++program) {
        if (::fork() != 0)
            continue;
        FileSettingsBackend backend(path, 60s);
        int failures = 0;
        for (int value = 0; value < kValues; ++value)
            failures += Set(backend, keyOf(program, value), nameOf(program, value), std::to_string(value)) != 0;
        ::_exit(failures);
    }
    // Every read meanwhile finds a whole file.
    size_t damagedReads = 0;
    for (int running = kPrograms; running > 0;) {
        std::string text;
        size_t unreadable = 0;
        if (AtomicFile::ReadAll(path, text))
            SettingsFileFormat::Parse(text, &unreadable);
        damagedReads += unreadable > 0;
        int status = 0;
        if (::waitpid(-1, &status, WNOHANG) > 0) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            --running;
        }
    }
    EXPECT_EQ(damagedReads, 0u);
    FileSettingsBackend reader(path);
    for (int program = 0; program < kPrograms; ++program) {
        for (int value = 0; value < kValues; ++value)
            EXPECT_EQ(Get(reader, keyOf(program, value), nameOf(program, value)), std::to_string(value));
    }
}

} // namespace
