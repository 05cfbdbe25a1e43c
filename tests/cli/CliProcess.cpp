#include "CliProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kExecFailed = 127;
// Far beyond what any step needs, even on a machine busy with builds.
constexpr std::chrono::seconds kPatience{120};
constexpr std::chrono::milliseconds kPollInterval{20};

int TemporaryFile()
{
    char name[] = "/tmp/quorl-cli-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd >= 0)
        ::unlink(name);
    return fd;
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    off_t offset = 0;
    for (ssize_t got; (got = ::pread(fd, buffer, sizeof buffer, offset)) > 0; offset += got)
        text.append(buffer, static_cast<size_t>(got));
    return text;
}

} // namespace

CliProcess::CliProcess(const std::vector<std::string>& args) : out_(TemporaryFile()), err_(TemporaryFile())
{
    const std::string program = QUORL_CLI_PATH;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out_, STDOUT_FILENO);
        ::dup2(err_, STDERR_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(kExecFailed);
    }
}

CliProcess::~CliProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    ::close(out_);
    ::close(err_);
}

std::string CliProcess::Error() const
{
    return ReadAll(err_);
}

bool CliProcess::Ended()
{
    if (pid_ <= 0)
        return true;
    int status = 0;
    const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
    if (ended == 0 || (ended < 0 && errno == EINTR))
        return false;
    pid_ = -1;
    if (ended > 0 && WIFEXITED(status))
        status_ = WEXITSTATUS(status);
    return true;
}

std::string CliProcess::Output() const
{
    return ReadAll(out_);
}

bool CliProcess::WaitFor(int fd, const std::string& text)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (ReadAll(fd).find(text) == std::string::npos) {
        if (Ended() || std::chrono::steady_clock::now() > deadline)
            return ReadAll(fd).find(text) != std::string::npos;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

bool CliProcess::WaitForError(const std::string& text)
{
    return WaitFor(err_, text);
}

bool CliProcess::WaitForOutput(const std::string& text)
{
    return WaitFor(out_, text);
}

void CliProcess::Signal(int signalNumber)
{
    if (pid_ > 0)
        ::kill(pid_, signalNumber);
}

CliRunner::Result CliProcess::Finish()
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!Ended() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kPollInterval);
    CliRunner::Result result;
    result.status = pid_ > 0 ? -1 : status_;
    result.out = ReadAll(out_);
    result.err = ReadAll(err_);
    return result;
}
