#include "CliOptions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>

namespace {

using Command = CliRequest::Command;

constexpr std::string_view kHelp = "--help";
constexpr std::string_view kShortHelp = "-h";
constexpr std::string_view kVersion = "--version";
constexpr std::string_view kFolder = "--folder";
constexpr std::string_view kEncoding = "--encoding";
constexpr std::string_view kTitle = "--title";
constexpr std::string_view kPriority = "--priority";
constexpr std::string_view kName = "--name";
constexpr std::string_view kAttach = "--attach";
constexpr std::string_view kAnnounce = "--announce";
constexpr std::string_view kPort = "--port";
constexpr std::string_view kCount = "--count";
constexpr std::string_view kTimeout = "--timeout";
constexpr std::string_view kGroup = "--group";
constexpr std::string_view kUser = "--user";
constexpr std::string_view kPopup = "--popup";
constexpr std::string_view kEndOfOptions = "--";
constexpr int32_t kHighestPort = 65535;

enum class Operands { None, Number, HostAndText };

struct CommandSyntax
{
    std::string_view name;
    Command command;
    Operands operands;
    std::array<std::string_view, 6> options; // all take a value
    std::string_view flag = {};              // an option without a value
};

constexpr std::array<CommandSyntax, 8> kCommands{{
    {"init", Command::Init, Operands::None, {kFolder, kEncoding}},
    {"list", Command::List, Operands::None, {kFolder}},
    {"show", Command::Show, Operands::Number, {kFolder}},
    {"post", Command::Post, Operands::None, {kFolder, kTitle, kPriority, kName, kAttach, kPort}, kAnnounce},
    {"delete", Command::Delete, Operands::Number, {kFolder, kPort}, kAnnounce},
    {"send", Command::Send, Operands::HostAndText, {kPort}},
    {"listen", Command::Listen, Operands::None, {kPort, kCount, kTimeout}},
    {"config", Command::Config, Operands::None, {kGroup, kFolder, kUser, kPort, kPopup}},
}};

const CommandSyntax* FindCommand(std::string_view name)
{
    for (const CommandSyntax& syntax : kCommands) {
        if (syntax.name == name)
            return &syntax;
    }
    return nullptr;
}

bool HasOption(const CommandSyntax& syntax, std::string_view option)
{
    return !option.empty() &&
           std::find(syntax.options.begin(), syntax.options.end(), option) != syntax.options.end();
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool ParseNumber(std::string_view text, int32_t& number)
{
    if (text.empty())
        return false;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX)
            return false;
    }
    number = static_cast<int32_t>(value);
    return true;
}

bool Apply(std::string_view option, const std::string& value, CliRequest& request, std::string& error)
{
    const std::string invalid = "invalid value '" + value + "' for " + std::string(option);
    if (option == kFolder) {
        if (value.empty()) {
            error = "empty folder";
            return false;
        }
        request.folder = value;
    } else if (option == kEncoding) {
        if (EqualsIgnoringCase(value, CliOptions::kEncodingUtf8)) {
            request.encoding = CliOptions::kEncodingUtf8;
        } else if (EqualsIgnoringCase(value, CliOptions::kEncodingShiftJis)) {
            request.encoding = CliOptions::kEncodingShiftJis;
        } else {
            error = invalid + " (UTF-8 or Shift_JIS)";
            return false;
        }
    } else if (option == kTitle) {
        request.title = value;
    } else if (option == kPriority) {
        if (value.size() != 1 || value[0] < '0' || value[0] > '2') {
            error = invalid + " (0, 1 or 2)";
            return false;
        }
        request.priority = value[0] - '0';
    } else if (option == kName) {
        request.name = value;
    } else if (option == kAttach) {
        if (value.empty()) {
            error = "empty file name for " + std::string(option);
            return false;
        }
        request.attachments.push_back(value);
    } else if (option == kPort || option == kCount || option == kTimeout) {
        int32_t number = 0;
        const int32_t highest = option == kPort ? kHighestPort : INT32_MAX;
        if (!ParseNumber(value, number) || number < 1 || number > highest) {
            error = invalid + " (a whole number from 1 to " + std::to_string(highest) + ")";
            return false;
        }
        (option == kPort ? request.port : option == kCount ? request.count : request.timeoutSeconds) = number;
    } else if (option == kGroup) {
        request.group = value;
    } else if (option == kUser) {
        request.user = value;
    } else if (option == kPopup) {
        if (value != "0" && value != "1") {
            error = invalid + " (0 or 1)";
            return false;
        }
        request.popup = value[0] - '0';
    }
    return true;
}

bool TakeOperands(const CommandSyntax& syntax, const std::vector<std::string>& positionals, CliRequest& request,
                  std::string& error)
{
    switch (syntax.operands) {
    case Operands::Number:
        if (positionals.size() != 1) {
            error = positionals.empty() ? "missing NUMBER" : "too many arguments";
            return false;
        }
        if (!ParseNumber(positionals.front(), request.number)) {
            error = "NUMBER must be a decimal message number, not '" + positionals.front() + "'";
            return false;
        }
        return true;
    case Operands::HostAndText:
        if (positionals.size() != 2) {
            error = positionals.size() < 2 ? "missing HOST or TEXT" : "too many arguments";
            return false;
        }
        if (positionals.front().empty()) {
            error = "empty HOST";
            return false;
        }
        request.host = positionals[0];
        request.text = positionals[1];
        return true;
    case Operands::None:
        break;
    }
    if (!positionals.empty()) {
        error = "unexpected argument '" + positionals.front() + "'";
        return false;
    }
    return true;
}

bool ParseCommandArguments(const CommandSyntax& syntax, const std::vector<std::string>& args, CliRequest& request,
                           std::string& error)
{
    std::vector<std::string> positionals;
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positionals.push_back(arg);
            continue;
        }
        if (arg == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string_view option = std::string_view(arg).substr(0, equals);
        if (!syntax.flag.empty() && option == syntax.flag) {
            if (equals != std::string::npos) {
                error = "option " + std::string(option) + " takes no value";
                return false;
            }
            request.announce = true;
            continue;
        }
        if (!HasOption(syntax, option)) {
            error = "unknown option '" + std::string(option) + "' for " + std::string(syntax.name);
            return false;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = "option " + std::string(option) + " needs a value";
            return false;
        }
        if (!Apply(option, value, request, error))
            return false;
    }

    if (!TakeOperands(syntax, positionals, request, error))
        return false;
    if (syntax.command == Command::Post && !request.title) {
        error = "missing " + std::string(kTitle);
        return false;
    }
    return true;
}

} // namespace

bool CliOptions::Parse(const std::vector<std::string>& args, CliRequest& request, std::string& error)
{
    request = CliRequest();
    request.encoding = kEncodingUtf8;
    if (args.empty()) {
        error = "no command given";
        return false;
    }
    const std::string& first = args.front();
    if (first == kHelp || first == kShortHelp) {
        request.help = true;
        return true;
    }
    if (first == kVersion) {
        request.version = true;
        return true;
    }
    const CommandSyntax* syntax = FindCommand(first);
    if (syntax == nullptr) {
        error = "unknown command '" + first + "'";
        return false;
    }
    request.command = syntax->command;
    // Help wins over everything else on the line, but not as an option's value.
    for (size_t i = 1; i < args.size() && args[i] != kEndOfOptions; ++i) {
        if (args[i] == kHelp || args[i] == kShortHelp) {
            request.help = true;
            return true;
        }
        if (HasOption(*syntax, args[i]))
            ++i;
    }
    return ParseCommandArguments(*syntax, args, request, error);
}

std::string_view CliOptions::CommandName(CliRequest::Command command)
{
    for (const CommandSyntax& syntax : kCommands) {
        if (syntax.command == command)
            return syntax.name;
    }
    return {};
}
