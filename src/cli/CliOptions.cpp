#include "CliOptions.h"

#include "CliUsage.h"

#include <QCommandLineParser>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>

namespace {

using Command = CliRequest::Command;

constexpr std::string_view kHelp = "help";
constexpr std::string_view kShortHelp = "h";
constexpr std::string_view kVersion = "version";
constexpr std::string_view kFolder = "folder";
constexpr std::string_view kEncoding = "encoding";
constexpr std::string_view kTitle = "title";
constexpr std::string_view kPriority = "priority";
constexpr std::string_view kName = "name";
constexpr std::string_view kAttach = "attach";
constexpr std::string_view kAnnounce = "announce";
constexpr std::string_view kPort = "port";
constexpr std::string_view kCount = "count";
constexpr std::string_view kTimeout = "timeout";
constexpr std::string_view kGroup = "group";
constexpr std::string_view kUser = "user";
constexpr std::string_view kPopup = "popup";
constexpr std::string_view kLongPrefix = "--";
constexpr int32_t kHighestPort = 65535;

struct OptionSyntax
{
    std::string_view name;
    const char* valueName; // null for a flag
    const char* description;
};

constexpr std::array<OptionSyntax, 13> kOptions{{
    {kFolder, "DIR", "the folder of BoardData.xml"},
    {kEncoding, "UTF-8|Shift_JIS", "the encoding of the new board (default UTF-8)"},
    {kTitle, "TEXT", "the message's title (required)"},
    {kPriority, "0|1|2", "0 urgent, 1 notice, 2 normal (default)"},
    {kName, "USER", "the poster's name"},
    {kAttach, "FILE", "a file to attach; may be given more than once"},
    {kAnnounce, nullptr, "tell the other members by a broadcast datagram"},
    {kPort, "N", "the port of the datagrams (1..65535)"},
    {kCount, "N", "end after N datagrams"},
    {kTimeout, "SECONDS", "end after this many seconds"},
    {kGroup, "NAME", "the group to make current"},
    {kUser, "NAME", "the user name"},
    {kPopup, "0|1", "1: open arriving direct messages at once"},
}};

enum class Operands { None, Number, HostAndText };

struct CommandSyntax
{
    std::string_view name;
    Command command;
    Operands operands;
    std::array<std::string_view, 7> options;
};

constexpr std::array<CommandSyntax, 8> kCommands{{
    {"init", Command::Init, Operands::None, {kFolder, kEncoding}},
    {"list", Command::List, Operands::None, {kFolder}},
    {"show", Command::Show, Operands::Number, {kFolder}},
    {"post", Command::Post, Operands::None, {kTitle, kPriority, kName, kAttach, kFolder, kAnnounce, kPort}},
    {"delete", Command::Delete, Operands::Number, {kFolder, kAnnounce, kPort}},
    {"send", Command::Send, Operands::HostAndText, {kPort}},
    {"listen", Command::Listen, Operands::None, {kCount, kTimeout, kPort}},
    {"config", Command::Config, Operands::None, {kGroup, kFolder, kUser, kPort, kPopup}},
}};

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Arguments travel through Qt as Latin-1, which maps every byte to one
// character and back, so values that are not UTF-8 reach the checks intact.
QString Bytes(const std::string& argument)
{
    return QString::fromLatin1(argument.data(), static_cast<qsizetype>(argument.size()));
}

std::string FromBytes(const QString& value)
{
    return value.toLatin1().toStdString();
}

const CommandSyntax* FindCommand(std::string_view name)
{
    for (const CommandSyntax& syntax : kCommands) {
        if (syntax.name == name)
            return &syntax;
    }
    return nullptr;
}

const OptionSyntax* FindOption(std::string_view name)
{
    for (const OptionSyntax& option : kOptions) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

bool IsFlag(std::string_view name)
{
    const OptionSyntax* option = FindOption(name);
    return option != nullptr && option->valueName == nullptr;
}

void Configure(QCommandLineParser& parser, const CommandSyntax& syntax)
{
    parser.setApplicationDescription(QString::fromUtf8(CliUsage::Details(syntax.command)).trimmed());
    parser.addOption(QCommandLineOption({Text(kShortHelp), Text(kHelp)}, QStringLiteral("show this help")));
    for (std::string_view name : syntax.options) {
        if (const OptionSyntax* option = FindOption(name)) {
            parser.addOption(option->valueName == nullptr
                                 ? QCommandLineOption(Text(name), QString::fromUtf8(option->description))
                                 : QCommandLineOption(Text(name), QString::fromUtf8(option->description),
                                                      QString::fromUtf8(option->valueName)));
        }
    }
    switch (syntax.operands) {
    case Operands::Number:
        parser.addPositionalArgument(QStringLiteral("NUMBER"), QStringLiteral("the message's number"));
        break;
    case Operands::HostAndText:
        parser.addPositionalArgument(QStringLiteral("HOST"), QStringLiteral("a host name or IPv4 address"));
        parser.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("the message"));
        break;
    case Operands::None:
        break;
    }
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
    const std::string invalid = "invalid value '" + value + "' for --" + std::string(option);
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
            error = "empty file name for --" + std::string(option);
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

// The parser's own reasons, in the tool's words: an unknown option, a flag
// given a value, or a value missing at the end of the line.
std::string UsageError(const QCommandLineParser& parser, const CommandSyntax& syntax,
                       const std::vector<std::string>& args)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const std::string name = FromBytes(unknown.front());
        std::string spelled = std::string(kLongPrefix) + name;
        if (name.size() == 1) {
            // One letter of a word given with a single dash: name the word.
            const auto word = std::find_if(args.begin(), args.end(), [&](const std::string& arg) {
                return arg.rfind("-" + name, 0) == 0;
            });
            spelled = word != args.end() ? *word : "-" + name;
        }
        return "unknown option '" + spelled + "' for " + std::string(syntax.name);
    }
    for (const std::string& arg : args) {
        if (arg == kLongPrefix)
            break;
        const size_t equals = arg.find('=');
        if (arg.rfind(kLongPrefix, 0) == 0 && equals != std::string::npos &&
            IsFlag(std::string_view(arg).substr(2, equals - 2)))
            return "option " + arg.substr(0, equals) + " takes no value";
    }
    return "option " + args.back() + " needs a value";
}

bool ParseCommand(const CommandSyntax& syntax, const std::vector<std::string>& args, CliRequest& request,
                  std::string& error)
{
    QCommandLineParser parser;
    Configure(parser, syntax);
    QStringList arguments{QString::fromUtf8(CliUsage::kProgramName)};
    for (const std::string& arg : args)
        arguments << Bytes(arg);
    const bool parsed = parser.parse(arguments);
    // Help wins over everything else on the line, but not as an option's value.
    if (parser.isSet(Text(kHelp))) {
        request.help = true;
        return true;
    }
    if (!parsed) {
        error = UsageError(parser, syntax, args);
        return false;
    }
    for (std::string_view name : syntax.options) {
        if (name.empty() || !parser.isSet(Text(name)))
            continue;
        if (IsFlag(name)) {
            request.announce = true;
            continue;
        }
        for (const QString& value : parser.values(Text(name))) {
            if (!Apply(name, FromBytes(value), request, error))
                return false;
        }
    }
    std::vector<std::string> positionals;
    for (const QString& positional : parser.positionalArguments())
        positionals.push_back(FromBytes(positional));
    if (!TakeOperands(syntax, positionals, request, error))
        return false;
    if (syntax.command == Command::Post && !request.title) {
        error = "missing --" + std::string(kTitle);
        return false;
    }
    return true;
}

// Qt writes the program as it was started, or a placeholder; the tool names
// itself and the command.
std::string UsageLine(const QCommandLineParser& parser, const CommandSyntax& syntax)
{
    const QString help = parser.helpText();
    const QString line = help.left(help.indexOf(QLatin1Char('\n')));
    const qsizetype options = line.indexOf(QStringLiteral("[options]"));
    return "Usage: " + std::string(CliUsage::kProgramName) + ' ' + std::string(syntax.name) + ' ' +
           line.mid(std::max<qsizetype>(options, 0)).toStdString();
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
    if (first == std::string(kLongPrefix) + std::string(kHelp) || first == "-" + std::string(kShortHelp)) {
        request.help = true;
        return true;
    }
    if (first == std::string(kLongPrefix) + std::string(kVersion)) {
        request.version = true;
        return true;
    }
    const CommandSyntax* syntax = FindCommand(first);
    if (syntax == nullptr) {
        error = "unknown command '" + first + "'";
        return false;
    }
    request.command = syntax->command;
    return ParseCommand(*syntax, std::vector<std::string>(args.begin() + 1, args.end()), request, error);
}

std::string_view CliOptions::CommandName(CliRequest::Command command)
{
    for (const CommandSyntax& syntax : kCommands) {
        if (syntax.command == command)
            return syntax.name;
    }
    return {};
}

std::string CliOptions::Help(CliRequest::Command command)
{
    const std::string program = CliUsage::kProgramName;
    const CommandSyntax* syntax = FindCommand(CommandName(command));
    if (syntax == nullptr) {
        return "Usage: " + program + " COMMAND [options]\n       " + program + " --help | --version\n\n" +
               CliUsage::Details(command) + "\nRun '" + program +
               " COMMAND --help' for the details of a command.\n" + CliUsage::Notes(command);
    }
    QCommandLineParser parser;
    Configure(parser, *syntax);
    std::string help = parser.helpText().toStdString();
    help.replace(0, help.find('\n'), UsageLine(parser, *syntax));
    const std::string notes = CliUsage::Notes(command);
    return notes.empty() ? help : help + '\n' + notes;
}

std::string CliOptions::ShortHelp(CliRequest::Command command)
{
    const std::string program = CliUsage::kProgramName;
    const CommandSyntax* syntax = FindCommand(CommandName(command));
    if (syntax == nullptr)
        return "Usage: " + program + " COMMAND [options]\nTry '" + program + " --help' for more information.\n";
    QCommandLineParser parser;
    Configure(parser, *syntax);
    return UsageLine(parser, *syntax) + "\nTry '" + program + ' ' + std::string(syntax->name) +
           " --help' for more information.\n";
}
