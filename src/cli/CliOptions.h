#pragma once

#include "core/Status.h"

#include "CliRequest.h"

#include <string>
#include <string_view>
#include <vector>

// Turns the arguments after the program name into a request, one
// QCommandLineParser per command; the same parsers write the help.
class CliOptions
{
public:
    static constexpr const char* kEncodingUtf8 = "UTF-8";
    static constexpr const char* kEncodingShiftJis = "Shift_JIS";

    // False on wrong usage, with the reason in error; request.command then
    // names the command whose usage applies (None when there is none).
    static Status Parse(const std::vector<std::string>& args, CliRequest& request);

    static std::string_view CommandName(CliRequest::Command command);

    // The whole help of a command, or the overview for Command::None.
    static std::string Help(CliRequest::Command command);
    // The usage line and a pointer to --help, shown after a usage error.
    static std::string ShortHelp(CliRequest::Command command);
};
