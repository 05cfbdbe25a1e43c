#include "core/LockFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

TEST(LockFile, IsExclusiveAndReleasedOnlyByItsHolder)
{
    TempDir dir;
    const std::string path = dir.file("x.lock");
    {
        LockFile first(path);
        ASSERT_EQ(first.Acquire(), LockFile::Result::Acquired);
        LockFile second(path);
        EXPECT_EQ(second.Acquire(100ms), LockFile::Result::Busy);
        second.Release();
        EXPECT_TRUE(std::filesystem::exists(path)) << "a waiter that never got it removes nothing";
    }
    EXPECT_FALSE(std::filesystem::exists(path));

    LockFile holder(path);
    ASSERT_EQ(holder.Acquire(), LockFile::Result::Acquired);
    TempDir::Write(path, "someone else's\n"); // broken and retaken by another program
    holder.Release();
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST(LockFile, FailsAtOnceWhereNoLockCanBeMade)
{
    TempDir dir;
    LockFile lock(dir.file("missing/x.lock"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lock.Acquire(5000ms), LockFile::Result::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(lock.error(), ENOENT);
}

TEST(LockFile, BreaksAStaleLockButNotAFreshOne)
{
    TempDir dir;
    const std::string path = dir.file("x.lock");
    TempDir::Write(path, "stale\n");
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - 1min);
    LockFile lock(path);
    EXPECT_EQ(lock.Acquire(1000ms, 30s), LockFile::Result::Acquired);
    lock.Release();

    TempDir::Write(path, "fresh\n");
    LockFile waiting(path);
    EXPECT_EQ(waiting.Acquire(200ms, 30s), LockFile::Result::Busy);
    EXPECT_EQ(TempDir::Read(path), "fresh\n");
}

TEST(LockFile, ALockOfAProcessOfThisComputerThatIsGoneIsBrokenAtOnce)
{
    TempDir dir;
    const std::string path = dir.file("x.lock");
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    TempDir::Write(path, "pid " + std::to_string(child) + "\nhost " + host + "\ntime 0\n");
    LockFile lock(path);
    EXPECT_EQ(lock.Acquire(1000ms, 30s), LockFile::Result::Acquired);
    lock.Release();

    TempDir::Write(path, "pid " + std::to_string(child) + "\nhost another-computer\ntime 0\n");
    EXPECT_EQ(LockFile(path).Acquire(200ms, 30s), LockFile::Result::Busy) << "its process may live there";
    TempDir::Write(path, "pid " + std::to_string(getpid()) + "\nhost " + host + "\ntime 0\n");
    EXPECT_EQ(LockFile(path).Acquire(200ms, 30s), LockFile::Result::Busy) << "a live holder keeps it";
}

TEST(LockFile, AStaleLockOfAnotherUserIsBrokenEvenUnread)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to play another user";
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    const std::string path = dir.file("x.lock");
    TempDir::Write(path, "pid 1\nhost elsewhere\n");
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - 1h);

    const pid_t other = fork();
    if (other == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        LockFile lock(path);
        _exit(lock.Acquire(1000ms, 30s) == LockFile::Result::Acquired ? 0 : 1);
    }
    int status = 0;
    waitpid(other, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(LockFile, ManyWaitersOnAStaleLockStillGetInOneAtATime)
{
    TempDir dir;
    const std::string path = dir.file("x.lock");
    const std::string counter = dir.file("counter");
    constexpr int kRounds = 10;
    constexpr int kProcesses = 5;
    for (int round = 0; round < kRounds; ++round) {
        TempDir::Write(counter, "0");
        TempDir::Write(path, "pid 1\nhost elsewhere\n");
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - 1h);
        for (int p = 0; p < kProcesses; ++p) {
            if (fork() == 0) {
                LockFile lock(path);
                if (lock.Acquire(20000ms) != LockFile::Result::Acquired)
                    _exit(1);
                const int value = std::stoi(TempDir::Read(counter));
                std::this_thread::sleep_for(2ms);
                TempDir::Write(counter, std::to_string(value + 1));
                const bool held = lock.StillHeld();
                lock.Release();
                _exit(held ? 0 : 3);
            }
        }
        for (int p = 0; p < kProcesses; ++p) {
            int status = 0;
            wait(&status);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        ASSERT_EQ(TempDir::Read(counter), std::to_string(kProcesses)) << "round " << round;
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

TEST(LockFile, OnlyOneProcessAtATimeHoldsIt)
{
    TempDir dir;
    const std::string path = dir.file("x.lock");
    const std::string counter = dir.file("counter");
    TempDir::Write(counter, "0");
    constexpr int kProcesses = 4;
    constexpr int kRounds = 25;
    for (int p = 0; p < kProcesses; ++p) {
        if (fork() == 0) {
            for (int i = 0; i < kRounds; ++i) {
                LockFile lock(path);
                if (lock.Acquire(20000ms) != LockFile::Result::Acquired)
                    _exit(1);
                const int value = std::stoi(TempDir::Read(counter));
                TempDir::Write(counter, std::to_string(value + 1));
            }
            _exit(0);
        }
    }
    for (int p = 0; p < kProcesses; ++p) {
        int status = 0;
        wait(&status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(TempDir::Read(counter), std::to_string(kProcesses * kRounds));
}

} // namespace
