#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A program, quorlboard-cli unless told otherwise, running as a child process. Its standard
// streams are unnamed files: no pipe can fill up, and its output can be read while it runs.
class CliProcess
{
public:
    struct Result
    {
        int status = -1; // exit status; -1 when it did not exit normally
        std::string out, err;
    };

    explicit CliProcess(const std::vector<std::string>& args, const std::string& input = {},
                        const char* program = QUORL_CLI_PATH)
    {
        const int in = UnnamedFile();
        std::vector<char*> argv{const_cast<char*>(program)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (::pwrite(in, input.data(), input.size(), 0) == static_cast<ssize_t>(input.size()) && (pid_ = ::fork()) == 0) {
            ::dup2(in, STDIN_FILENO), ::dup2(out_, STDOUT_FILENO), ::dup2(err_, STDERR_FILENO);
            ::execv(program, argv.data());
            ::_exit(127);
        }
        ::close(in);
    }
    ~CliProcess()
    {
        if (!Ended())
            ::kill(pid_, SIGKILL), Ended(0);
        ::close(out_), ::close(err_);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Runs to the end, however long that takes.
    static Result Run(const std::vector<std::string>& args, const std::string& input = {},
                      const char* program = QUORL_CLI_PATH)
    {
        CliProcess process(args, input, program);
        process.Ended(0);
        return process.Finish();
    }
    std::string Error() const { return ReadAll(err_); }
    // Waits, up to a generous limit, until standard error holds the text.
    bool WaitForError(const std::string& text)
    {
        WaitUntil([&] { return Error().find(text) != std::string::npos || Ended(); });
        return Error().find(text) != std::string::npos;
    }
    void Signal(int signalNumber) { pid_ > 0 && ::kill(pid_, signalNumber); }
    // Waits, up to a generous limit, for the end; status -1 if it did not end.
    Result Finish()
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
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // True once the process has ended (waiting for it unless WNOHANG); its status is then kept.
    bool Ended(int options = WNOHANG)
    {
        int status = 0;
        pid_t ended = 0;
        while (pid_ > 0 && (ended = ::waitpid(pid_, &status, options)) < 0 && errno == EINTR) {
        }
        if (pid_ > 0 && ended == 0)
            return false;
        if (ended > 0 && WIFEXITED(status))
            status_ = WEXITSTATUS(status);
        pid_ = -1;
        return true;
    }

    int out_ = UnnamedFile(), err_ = UnnamedFile();
    pid_t pid_ = -1;
    int status_ = -1;
};
