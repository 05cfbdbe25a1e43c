#pragma once

#include "CliRequest.h"

#include <string>

// The texts of the help: what each command does, and the notes that
// follow the options.
class CliUsage
{
public:
    static constexpr const char* kProgramName = "quorlboard-cli";

    // The overview for Command::None.
    static const char* Details(CliRequest::Command command);
    static std::string Notes(CliRequest::Command command);
};
