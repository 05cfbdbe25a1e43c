#pragma once

#include "CliRunner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// quorlboard-cli running in the background, for commands that wait (listen).
// Its output goes to unnamed files that can be read while it runs.
class CliProcess
{
public:
    explicit CliProcess(const std::vector<std::string>& args)
    {
        std::vector<char*> argv{const_cast<char*>(QUORL_CLI_PATH)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out_, STDOUT_FILENO);
            ::dup2(err_, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~CliProcess()
    {
        if (!Ended()) {
            ::kill(pid_, SIGKILL);
            while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        ::close(out_);
        ::close(err_);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    std::string Error() const { return ReadAll(err_); }
    // Waits, up to a generous limit, until standard error holds the text.
    bool WaitForError(const std::string& text)
    {
        const auto found = [&] { return Error().find(text) != std::string::npos; };
        WaitUntil([&] { return found() || Ended(); });
        return found();
    }
    void Signal(int signalNumber)
    {
        if (pid_ > 0)
            ::kill(pid_, signalNumber);
    }
    // Waits, up to a generous limit, for the end; status -1 if it did not end.
    CliRunner::Result Finish()
    {
        WaitUntil([&] { return Ended(); });
        return {pid_ > 0 ? -1 : status_, ReadAll(out_), ReadAll(err_)};
    }

private:
    static int UnnamedFile()
    {
        char name[] = "/tmp/quorl-cli-XXXXXX";
        const int fd = ::mkstemp(name);
        ::unlink(name);
        return fd;
    }
    static std::string ReadAll(int fd)
    {
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
            text.append(buffer, static_cast<size_t>(got));
        return text;
    }
    // Far beyond what any step needs, even on a machine busy with builds.
    template <typename Done> static void WaitUntil(Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // True once the process has ended; its status is then kept.
    bool Ended()
    {
        if (pid_ <= 0)
            return true;
        int status = 0;
        const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
        if (ended == 0 || (ended < 0 && errno == EINTR))
            return false;
        if (ended > 0 && WIFEXITED(status))
            status_ = WEXITSTATUS(status);
        pid_ = -1;
        return true;
    }

    int out_ = UnnamedFile();
    int err_ = UnnamedFile();
    pid_t pid_ = -1;
    int status_ = -1;
};
