#include "settings/FileSettingsBackend.h"

#include "core/AtomicFile.h"
#include "core/LockFile.h"
#include "settings/SettingsFileFormat.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
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

TEST_F(FileSettingsBackendTest, ChangesAreSavedOnCloseAndAnotherProgramsChangesAreSeenAtTheNextRead)
{
    const std::string deep = dir.path() + "/new/folder/settings.reg";
    FileSettingsBackend first(deep), second(deep);
    B::Handle key = B::kNoHandle;
    first.CreateKey(kKey, &key);
    first.SetValue(key, "v", B::kTypeBinary, "1", 1);
    EXPECT_EQ(Get(second, kKey, "v"), "absent");
    ASSERT_EQ(first.CloseKey(key), B::kSuccess);
    EXPECT_EQ(Get(second, kKey, "V"), "1");
    ASSERT_EQ(Set(second, kKey, "v", "2"), B::kSuccess);
    EXPECT_EQ(Get(first, kKey, "v"), "2");
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

// The first save keeps a copy of the whole file beside it, and what was
// readable in the file itself. A file far too large is not even read.
TEST_F(FileSettingsBackendTest, ADamagedOrHugeFileIsMovedAsideByTheFirstSave)
{
    const std::string damaged = "[Software\\QuorlBoard]\n\"kept\"=hex:01\n\x01\xff garbage\n";
    TempDir::Write(path, damaged);
    FileSettingsBackend backend(path);
    ASSERT_EQ(Set(backend, kKey, "new", "\x02"), B::kSuccess);
    EXPECT_EQ(TempDir::Read(path + FileSettingsBackend::kDamagedSuffix), damaged);
    EXPECT_EQ(Get(backend, kKey, "kept") + Get(backend, kKey, "new"), "\x01\x02");

    ASSERT_EQ(::truncate(path.c_str(), off_t(1) << 36), 0); // sparse: reading it would take 64 GB
    FileSettingsBackend tooLarge(path);
    EXPECT_EQ(Get(tooLarge, kKey, "kept"), "absent");
    ASSERT_EQ(Set(tooLarge, kKey, "v", "\x03"), B::kSuccess);
    EXPECT_EQ(std::filesystem::file_size(path + FileSettingsBackend::kDamagedSuffix), uintmax_t(1) << 36);
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
