#include "CliCommands.h"
#include "CliOptions.h"
#include "CliSettings.h"
#include "CliUsage.h"
#include "core/FileCreation.h"
#include "core/Version.h"

#include <fcntl.h>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    FileCreation::Init();
    // Noted before any file is opened, which could take the closed descriptor.
    const int input = ::fcntl(STDIN_FILENO, F_GETFD) != -1 ? STDIN_FILENO : -1;
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    CliRequest request;
    if (const Status parsed = CliOptions::Parse(args, request); !parsed.ok()) {
        std::cerr << CliUsage::kProgramName << ": " << parsed.Text() << '\n' << CliOptions::ShortHelp(request.command);
        return CliCommands::kExitUsage;
    }
    if (request.version) {
        std::cout << CliUsage::kProgramName << ' ' << QUORLBOARD_VERSION << '\n';
        return CliCommands::kExitSuccess;
    }
    if (request.help) {
        std::cout << CliOptions::Help(request.command);
        return CliCommands::kExitSuccess;
    }

    CliSettings settings;
    CliCommands commands(input, std::cout, std::cerr, settings);
    const int status = commands.Run(request);
    if (!std::cout.flush()) {
        std::cerr << CliUsage::kProgramName << ": cannot write to standard output\n";
        return CliCommands::kExitFailure;
    }
    return status;
}
