#include "app/CommandLine.h"

#include "board/CBoardData.h"

#include <QCommandLineParser>

#include <algorithm>

namespace {

// Enough for any port; longer text is not a port.
constexpr int kMaxPortText = 16;

const QString kHelp = QStringLiteral("help");
const QString kVersion = QStringLiteral("version");
const QString kProgram = QStringLiteral("quorlboard");
const QString kPortArgument = QStringLiteral("ポート番号");

void Configure(QCommandLineParser& parser)
{
    // "-5" is then one unknown option "5", which is read as a number below.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption({QStringLiteral("h"), kHelp}, QStringLiteral("この説明を表示する")));
    parser.addOption(QCommandLineOption(kVersion, QStringLiteral("バージョンを表示する")));
    parser.addPositionalArgument(kPortArgument,
                                 QStringLiteral("この実行の間だけ使うポート番号 (設定のポート番号に代わる)"),
                                 QLatin1Char('[') + kPortArgument + QLatin1Char(']'));
}

} // namespace

CommandLine CommandLine::Parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    Configure(parser);
    parser.parse(QStringList{kProgram} + arguments);

    CommandLine line;
    line.help = parser.isSet(kHelp);
    line.version = parser.isSet(kVersion);
    QStringList values = parser.positionalArguments();
    for (const QString& name : parser.unknownOptionNames()) {
        bool number = false;
        name.toLongLong(&number);
        if (!number) {
            const QString single = QLatin1Char('-') + name;
            line.error = arguments.contains(single) ? single : QLatin1Char('-') + single;
            return line;
        }
        values.prepend(QLatin1Char('-') + name); // a negative port keeps the stored one
    }
    if (values.size() > 1) {
        line.error = values.at(1);
        return line;
    }
    if (values.isEmpty())
        return line;
    const QString& argument = values.front();
    if (argument.size() > kMaxPortText) {
        line.error = argument;
        return line;
    }
    // Read as the C runtime would: leading digits; 0 or less keeps the stored port.
    const int32_t value = CBoardData::ParseInteger(argument.toStdString());
    if (value > kMaxPort)
        line.error = argument;
    else if (value > 0)
        line.port = value;
    return line;
}

QString CommandLine::Usage()
{
    QCommandLineParser parser;
    Configure(parser);
    QString help = parser.helpText();
    const qsizetype options = help.indexOf(QStringLiteral("[options]"));
    return QStringLiteral("使い方: ") + kProgram + QLatin1Char(' ') + help.mid(std::max<qsizetype>(options, 0));
}
