#include "core/LockFile.h"
#include "support/Injected.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Result = LockFile::Result;

void MakeOld(const std::string& path)
{
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - 1h);
}

TEST(LockFile, IsExclusiveFailsWhereNoneCanBeMadeAndIsReleasedOnlyByItsHolder)
{
    TempDir dir;
    const std::string path = dir.file("x.lock");
    {
        LockFile first(path);
        ASSERT_EQ(first.Acquire(), Result::Acquired);
        LockFile second(path);
        EXPECT_EQ(second.Acquire(100ms), Result::Busy);
        second.Release();
        EXPECT_TRUE(std::filesystem::exists(path)) << "a waiter that never got it removes nothing";
    }
    EXPECT_FALSE(std::filesystem::exists(path));

    LockFile holder(path);
    ASSERT_EQ(holder.Acquire(), Result::Acquired);
    TempDir::Write(path, "someone else's\n"); // broken and retaken by another program
    EXPECT_FALSE(holder.StillHeld());
    holder.Release();
    EXPECT_TRUE(std::filesystem::exists(path));

    LockFile nowhere(dir.file("missing/x.lock"));
    EXPECT_EQ(nowhere.Acquire(), Result::Failed);
    EXPECT_EQ(nowhere.error(), std::errc::no_such_file_or_directory);
}

TEST(LockFile, BreaksStaleLocksAndLocksOfGoneProcessesOfThisComputerOnly)
{
    TempDir dir;
    const std::string path = dir.file("x.lock");
    TempDir::Write(path, "stale\n");
    MakeOld(path);
    EXPECT_EQ(LockFile(path).Acquire(1000ms, 30s), Result::Acquired);
    TempDir::Write(path, "fresh\n");
    EXPECT_EQ(LockFile(path).Acquire(200ms, 30s), Result::Busy);
    EXPECT_EQ(TempDir::Read(path), "fresh\n");

    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const std::tuple<pid_t, std::string, Result> cases[] = {
        {gone, host, Result::Acquired}, {gone, "another-computer", Result::Busy}, // its process may live there
        {getpid(), host, Result::Busy}, // a live holder keeps it
    };
    for (const auto& [pid, on, result] : cases) {
        TempDir::Write(path, "pid " + std::to_string(pid) + "\nhost " + on + "\ntime 0\n");
        EXPECT_EQ(LockFile(path).Acquire(result == Result::Busy ? 200ms : 1000ms, 30s), result) << on;
    }
}

TEST(LockFile, AStaleLockOfAnotherUserIsBrokenEvenUnread)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to play another user";
    TempDir dir;
    const std::string path = dir.file("x.lock");
    TempDir::Write(path, "pid 1\nhost elsewhere\n");
    ASSERT_EQ(chmod(dir.path().c_str(), 0777) + chmod(path.c_str(), 0600), 0);
    MakeOld(path);
    EXPECT_EQ(Injected::AsUser(Injected::kNobody, [&] { return LockFile(path).Acquire(1000ms, 30s) == Result::Acquired ? 0 : 1; }), 0);
}

// Each round starts from a stale lock that all of them break at once; then
// they keep taking turns. The sleep widens the window for a second holder.
TEST(LockFile, ManyProcessesRacingForItHoldItOneAtATime)
{
    TempDir dir;
    const std::string path = dir.file("x.lock");
    const std::string counter = dir.file("counter");
    constexpr int kProcesses = 5, kTurns = 5;
    for (int round = 0; round < 6; ++round) {
        TempDir::Write(counter, "0");
        TempDir::Write(path, "pid 1\nhost elsewhere\n");
        MakeOld(path);
        for (int p = 0; p < kProcesses; ++p) {
            if (fork() != 0)
                continue;
            for (int turn = 0; turn < kTurns; ++turn) {
                LockFile lock(path);
                if (lock.Acquire(20000ms) != Result::Acquired)
                    _exit(1);
                const int value = std::stoi(TempDir::Read(counter));
                std::this_thread::sleep_for(1ms);
                TempDir::Write(counter, std::to_string(value + 1));
                if (!lock.StillHeld())
                    _exit(3);
            }
            _exit(0);
        }
        for (int p = 0, status = 0; p < kProcesses; ++p)
            EXPECT_TRUE(wait(&status) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ASSERT_EQ(TempDir::Read(counter), std::to_string(kProcesses * kTurns)) << "round " << round;
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

} // namespace
