#include "CliUsage.h"

namespace {

constexpr const char* kFolderNote =
    "Without --folder DIR the message file folder of the stored settings is used.\n";

constexpr const char* kPortNote =
    "Datagrams go to the port given with --port N, else to the port of the stored\n"
    "settings, else to 1500. They carry this computer's host name and address and\n"
    "the user name of the settings, else the login name.\n";

constexpr const char* kOverview = "Commands:\n"
                                  "  init     create an empty board\n"
                                  "  list     list the messages, oldest first\n"
                                  "  show     print one message\n"
                                  "  post     add a message, its contents read from standard input\n"
                                  "  delete   delete a message written on this computer\n"
                                  "  send     send a direct message to a member's computer\n"
                                  "  listen   print the datagrams that arrive on the port\n"
                                  "  config   show or change the stored settings\n";

constexpr const char* kInit = "Creates the folder if needed and an empty BoardData.xml in it, written in\n"
                              "the given encoding (default UTF-8). An existing board is never replaced.\n";

constexpr const char* kList = "Prints one line per message, oldest first, with these fields separated by\n"
                              "tabs: number, priority, attach, date, host name, name, title. A tab, line\n"
                              "feed or backslash inside a value is written as \\t, \\n or \\\\.\n";

constexpr const char* kShow = "Prints title, name, priority, attach, date, hostname and number, one\n"
                              "'field: value' line each, then an empty line and the contents.\n";

constexpr const char* kPost = "Adds a message whose contents are read from standard input and prints its\n"
                              "number. Title, name and contents must be UTF-8 and fit the board (10 MB each).\n"
                              "Priority: 0 urgent, 1 notice, 2 normal (default). The name defaults\n"
                              "to the user name of the settings, else the login name. Each --attach FILE\n"
                              "is copied into the message's attachment folder. With --announce the other\n"
                              "members are told by a broadcast datagram, so that their boards reload.\n";

constexpr const char* kDelete = "Deletes a message written on this computer, and its attachment folder. With\n"
                                "--announce the other members are told by a broadcast datagram.\n";

constexpr const char* kSend = "Sends TEXT as a direct message to the program on HOST, a host name or a\n"
                              "dotted IPv4 address. The datagram holds at most 1024 bytes in Shift_JIS\n"
                              "(CP932), the sender's fields included. Put -- before a TEXT that begins\n"
                              "with '-'.\n";

constexpr const char* kListen = "Listens on the port and prints each datagram that arrives as one line with\n"
                                "these fields separated by tabs: kind, address, host name, user name, text\n"
                                "(escaped as list does). Kinds: 1 Hello, 2 HelloReply, 3 BoardChanged,\n"
                                "4 PeerUpdate, 5 DirectMessage, 6 Goodbye, 7 BoardDeleted. A Hello from\n"
                                "another computer is answered with a HelloReply, as the program does. Ends\n"
                                "after N datagrams, after the timeout, or on SIGINT or SIGTERM. Fails when\n"
                                "another program (such as QuorlBoard itself) has the port. With --port 0\n"
                                "the system chooses a free port, which the line 'listening on port N' names.\n";

constexpr const char* kConfig = "Without options prints the settings of the current group, one 'name: value'\n"
                                "line each: group, folder, user, port, popup, targets. With options changes\n"
                                "them and stores them; --group NAME makes NAME the current group and takes\n"
                                "the other values along unless they are given too. The folder is stored as\n"
                                "an absolute path ending in '/', with '~' expanded. --targets lists where\n"
                                "every broadcast also goes (members on other subnets): directed broadcast\n"
                                "addresses, addresses and host names, separated by commas; \"\" for none.\n"
                                "Refused, with nothing stored: a port outside 1500..60000, no folder, an\n"
                                "empty group name, a group name with Font, Color, ClientSize or title as a\n"
                                "key of its path, a user name with ':', names or a folder too long for the\n"
                                "settings (63 bytes for names, 259 for the folder, in Shift_JIS), and a\n"
                                "destination that is not IPv4, a host name over 253 characters, or more\n"
                                "than 64 destinations.\n";

} // namespace

const char* CliUsage::Details(CliRequest::Command command)
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
    case Command::Send:
        return kSend;
    case Command::Listen:
        return kListen;
    case Command::Config:
        return kConfig;
    case Command::None:
        break;
    }
    return kOverview;
}

std::string CliUsage::Notes(CliRequest::Command command)
{
    using Command = CliRequest::Command;
    switch (command) {
    case Command::Send:
    case Command::Listen:
        return kPortNote;
    case Command::Config:
        return {};
    case Command::Post:
    case Command::Delete:
        return std::string(kFolderNote) + kPortNote;
    default:
        return kFolderNote;
    }
}
