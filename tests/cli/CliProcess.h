#pragma once

#include "CliRunner.h"

#include <string>
#include <sys/types.h>
#include <vector>

// quorlboard-cli running in the background, for commands that wait (listen).
// Its output goes to temporary files that can be read while it runs.
class CliProcess
{
public:
    explicit CliProcess(const std::vector<std::string>& args);
    ~CliProcess(); // kills the process if it still runs
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Wait, up to a generous limit, until standard error or standard output
    // holds the text.
    bool WaitForError(const std::string& text);
    bool WaitForOutput(const std::string& text);
    void Signal(int signalNumber);
    // Waits for the end, up to a generous limit; status -1 if it did not end.
    CliRunner::Result Finish();

    std::string Error() const;
    std::string Output() const;

private:
    // True once the process has ended (its status is then kept).
    bool Ended();
    bool WaitFor(int fd, const std::string& text);

    pid_t pid_ = -1;
    int status_ = -1;
    int out_ = -1;
    int err_ = -1;
};
