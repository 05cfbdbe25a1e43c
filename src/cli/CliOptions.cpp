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

struct CommandSyntax
{
    std::string_view name;
    Command command;
    bool takesNumber;
    std::array<std::string_view, 5> options; // all take a value
};

constexpr std::array<CommandSyntax, 5> kCommands{{
    {"init", Command::Init, false, {kFolder, kEncoding}},
    {"list", Command::List, false, {kFolder}},
    {"show", Command::Show, true, {kFolder}},
    {"post", Command::Post, false, {kFolder, kTitle, kPriority, kName, kAttach}},
    {"delete", Command::Delete, true, {kFolder}},
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
    }
    return true;
}

bool ParseCommandArguments(const CommandSyntax& syntax, const std::vector<std::string>& args, CliRequest& request,
                           std::string& error)
{
    std::vector<std::string> positionals;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            positionals.push_back(arg);
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string_view option = std::string_view(arg).substr(0, equals);
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

    if (syntax.takesNumber) {
        if (positionals.size() != 1) {
            error = positionals.empty() ? "missing NUMBER" : "too many arguments";
            return false;
        }
        if (!ParseNumber(positionals.front(), request.number)) {
            error = "NUMBER must be a decimal message number, not '" + positionals.front() + "'";
            return false;
        }
    } else if (!positionals.empty()) {
        error = "unexpected argument '" + positionals.front() + "'";
        return false;
    }
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
    for (size_t i = 1; i < args.size(); ++i) {
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
