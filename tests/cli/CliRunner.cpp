#include "CliRunner.h"

#include <cerrno>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kExecFailed = 127;

std::string ReadFromStart(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, got);
    return text;
}

} // namespace

CliRunner::Result CliRunner::Cli(const std::vector<std::string>& args, const std::string& input)
{
    return Run(QUORL_CLI_PATH, args, input);
}

// Standard streams go through unnamed temporary files: no pipe can fill up.
CliRunner::Result CliRunner::Run(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& input)
{
    Result result;
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (in != nullptr && out != nullptr && err != nullptr) {
        std::fwrite(input.data(), 1, input.size(), in);
        std::fflush(in);
        std::rewind(in);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);

        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(fileno(in), STDIN_FILENO);
            ::dup2(fileno(out), STDOUT_FILENO);
            ::dup2(fileno(err), STDERR_FILENO);
            ::execv(program.c_str(), argv.data());
            ::_exit(kExecFailed);
        }
        int status = 0;
        while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (pid > 0 && WIFEXITED(status))
            result.status = WEXITSTATUS(status);
        result.out = ReadFromStart(out);
        result.err = ReadFromStart(err);
    }
    for (std::FILE* file : {in, out, err}) {
        if (file != nullptr)
            std::fclose(file);
    }
    return result;
}
