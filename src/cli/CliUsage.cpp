#include "CliUsage.h"

#include "CliOptions.h"

namespace {

constexpr const char* kFolderNote =
    "Without --folder DIR the message file folder of the stored settings is used.\n";

constexpr const char* kOverview = "Commands:\n"
                                  "  init     create an empty board\n"
                                  "  list     list the messages, oldest first\n"
                                  "  show     print one message\n"
                                  "  post     add a message, its contents read from standard input\n"
                                  "  delete   delete a message written on this computer\n";

constexpr const char* kInit = "Creates the folder if needed and an empty BoardData.xml in it, written in\n"
                              "the given encoding (default UTF-8). An existing board is never replaced.\n";

constexpr const char* kList = "Prints one line per message, oldest first, with these fields separated by\n"
                              "tabs: number, priority, attach, date, host name, name, title. A tab, line\n"
                              "feed or backslash inside a value is written as \\t, \\n or \\\\.\n";

constexpr const char* kShow = "Prints title, name, priority, attach, date, hostname and number, one\n"
                              "'field: value' line each, then an empty line and the contents.\n";

constexpr const char* kPost = "Adds a message whose contents are read from standard input and prints its\n"
                              "number. Priority: 0 urgent, 1 notice, 2 normal (default). The name defaults\n"
                              "to the user name of the settings, else the login name. Each --attach FILE\n"
                              "is copied into the message's attachment folder.\n";

constexpr const char* kDelete = "Deletes a message written on this computer, and its attachment folder.\n";

std::string Synopsis(CliRequest::Command command)
{
    using Command = CliRequest::Command;
    switch (command) {
    case Command::Init:
        return "init [--folder DIR] [--encoding UTF-8|Shift_JIS]";
    case Command::List:
        return "list [--folder DIR]";
    case Command::Show:
        return "show NUMBER [--folder DIR]";
    case Command::Post:
        return "post --title TEXT [--priority 0|1|2] [--name USER] [--attach FILE]... [--folder DIR]";
    case Command::Delete:
        return "delete NUMBER [--folder DIR]";
    case Command::None:
        break;
    }
    return "COMMAND [OPTIONS]\n       " + std::string(CliUsage::kProgramName) + " --help | --version";
}

const char* Details(CliRequest::Command command)
{
    using Command = CliRequest::Command;
    switch (command) {
    case Command::Init:
        return kInit;
    case Command::List:
        return kList;
    case Command::Show:
        return kShow;
    case Command::Post:
        return kPost;
    case Command::Delete:
        return kDelete;
    case Command::None:
        break;
    }
    return kOverview;
}

} // namespace

std::string CliUsage::Text(CliRequest::Command command)
{
    const std::string program = kProgramName;
    std::string text = "Usage: " + program + " " + Synopsis(command) + "\n\n" + Details(command) + "\n";
    if (command == CliRequest::Command::None)
        text += "Run '" + program + " COMMAND --help' for the details of a command.\n";
    return text + kFolderNote;
}

std::string CliUsage::Short(CliRequest::Command command)
{
    const std::string program = kProgramName;
    std::string help = program;
    if (command != CliRequest::Command::None) {
        help += ' ';
        help += CliOptions::CommandName(command);
    }
    return "Usage: " + program + " " + Synopsis(command) + "\nTry '" + help +
           " --help' for more information.\n";
}
