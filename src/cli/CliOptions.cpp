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
constexpr std::string_view kTargets = "targets";
constexpr std::string_view kLongPrefix = "--";
constexpr int32_t kHighestPort = 65535;

struct OptionSyntax
{
    std::string_view name;
    const char* valueName; // null for a flag
    const char* description;
};

constexpr std::array<OptionSyntax, 14> kOptions{{
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
    {kTargets, "LIST", "extra destinations of the broadcasts, comma-separated (\"\" for none)"},
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
    {"config", Command::Config, Operands::None, {kGroup, kFolder, kUser, kPort, kPopup, kTargets}},
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

Status Apply(std::string_view option, const std::string& value, Command command, CliRequest& request)
{
    const std::string invalid = "invalid value '" + value + "' for --" + std::string(option);
    if (option == kFolder) {
        if (value.empty())
            return Status::Refused("empty folder");
        request.folder = value;
    } else if (option == kEncoding) {
        if (EqualsIgnoringCase(value, CliOptions::kEncodingUtf8)) {
            request.encoding = CliOptions::kEncodingUtf8;
        } else if (EqualsIgnoringCase(value, CliOptions::kEncodingShiftJis)) {
            request.encoding = CliOptions::kEncodingShiftJis;
        } else {
            return Status::Refused(invalid + " (UTF-8 or Shift_JIS)");
        }
    } else if (option == kTitle) {
        request.title = value;
    } else if (option == kPriority) {
        if (value.size() != 1 || value[0] < '0' || value[0] > '2')
            return Status::Refused(invalid + " (0, 1 or 2)");
        request.priority = value[0] - '0';
    } else if (option == kName) {
        request.name = value;
    } else if (option == kAttach) {
        if (value.empty())
            return Status::Refused("empty file name for --" + std::string(option));
        request.attachments.push_back(value);
    } else if (option == kPort || option == kCount || option == kTimeout) {
        int32_t number = 0;
        const int32_t highest = option == kPort ? kHighestPort : INT32_MAX;
        // A listener may leave the choice of a free port to the system.
        const int32_t lowest = option == kPort && command == Command::Listen ? 0 : 1;
        if (!ParseNumber(value, number) || number < lowest || number > highest)
            return Status::Refused(invalid + " (a whole number from " + std::to_string(lowest) + " to " +
                                   std::to_string(highest) + ")");
        (option == kPort ? request.port : option == kCount ? request.count : request.timeoutSeconds) = number;
    } else if (option == kGroup) {
        request.group = value;
    } else if (option == kUser) {
        request.user = value;
    } else if (option == kPopup) {
        if (value != "0" && value != "1")
            return Status::Refused(invalid + " (0 or 1)");
        request.popup = value[0] - '0';
    } else if (option == kTargets) {
        request.targets = value;
    }
    return {};
}

Status TakeOperands(const CommandSyntax& syntax, const std::vector<std::string>& positionals, CliRequest& request)
{
    switch (syntax.operands) {
    case Operands::Number:
        if (positionals.size() != 1)
            return Status::Refused(positionals.empty() ? "missing NUMBER" : "too many arguments");
        if (!ParseNumber(positionals.front(), request.number))
            return Status::Refused("NUMBER must be a decimal message number, not '" + positionals.front() + "'");
        return {};
    case Operands::HostAndText:
        if (positionals.size() != 2)
            return Status::Refused(positionals.size() < 2 ? "missing HOST or TEXT" : "too many arguments");
        if (positionals.front().empty())
            return Status::Refused("empty HOST");
        request.host = positionals[0];
        request.text = positionals[1];
        return {};
    case Operands::None:
        break;
    }
    if (!positionals.empty())
        return Status::Refused("unexpected argument '" + positionals.front() + "'");
    return {};
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

Status ParseCommand(const CommandSyntax& syntax, const std::vector<std::string>& args, CliRequest& request)
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
        return {};
    }
    if (!parsed)
        return Status::Refused(UsageError(parser, syntax, args));
    for (std::string_view name : syntax.options) {
        if (name.empty() || !parser.isSet(Text(name)))
            continue;
        if (IsFlag(name)) {
            request.announce = true;
            continue;
        }
        for (const QString& value : parser.values(Text(name))) {
            if (Status applied = Apply(name, FromBytes(value), syntax.command, request); !applied.ok())
                return applied;
        }
    }
    std::vector<std::string> positionals;
    for (const QString& positional : parser.positionalArguments())
        positionals.push_back(FromBytes(positional));
    if (Status taken = TakeOperands(syntax, positionals, request); !taken.ok())
        return taken;
    if (syntax.command == Command::Post && !request.title)
        return Status::Refused("missing --" + std::string(kTitle));
    return {};
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

Status CliOptions::Parse(const std::vector<std::string>& args, CliRequest& request)
{
    request = CliRequest();
    request.encoding = kEncodingUtf8;
    if (args.empty())
        return Status::Refused("no command given");
    const std::string& first = args.front();
    if (first == std::string(kLongPrefix) + std::string(kHelp) || first == "-" + std::string(kShortHelp)) {
        request.help = true;
        return {};
    }
    if (first == std::string(kLongPrefix) + std::string(kVersion)) {
        request.version = true;
        return {};
    }
    const CommandSyntax* syntax = FindCommand(first);
    if (syntax == nullptr)
        return Status::Refused("unknown command '" + first + "'");
    request.command = syntax->command;
    return ParseCommand(*syntax, std::vector<std::string>(args.begin() + 1, args.end()), request);
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
