#pragma once

#include <string>
#include <vector>

// Runs a program as a child process, feeding it standard input and
// collecting standard output and standard error.
class CliRunner
{
public:
    struct Result
    {
        int status = -1; // exit status; -1 when it did not exit normally
        std::string out;
        std::string err;
    };

    // The quorlboard-cli binary under test.
    static Result Cli(const std::vector<std::string>& args, const std::string& input = {});
    static Result Run(const std::string& program, const std::vector<std::string>& args,
                      const std::string& input = {});
};
