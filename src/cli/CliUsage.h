#pragma once

#include "CliRequest.h"

#include <string>

// The usage texts printed by --help and after a usage error.
class CliUsage
{
public:
    static constexpr const char* kProgramName = "quorlboard-cli";

    // The overview for Command::None, otherwise that command's details.
    static std::string Text(CliRequest::Command command);
    // The synopsis and a pointer to --help, shown after a usage error.
    static std::string Short(CliRequest::Command command);
};
