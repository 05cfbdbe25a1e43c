#include "app/CommandLine.h"

#include "board/CBoardData.h"

namespace {

// Enough for any port; longer text is not a port.
constexpr int kMaxPortText = 16;

} // namespace

CommandLine CommandLine::Parse(const QStringList& arguments)
{
    CommandLine line;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            line.help = true;
        } else if (argument == QLatin1String("--version")) {
            line.version = true;
        } else if (!line.port && line.error.isEmpty()) {
            if (argument.size() > kMaxPortText) {
                line.error = argument;
                continue;
            }
            // Read as the C runtime would: leading digits; 0 or less keeps the stored port.
            int32_t value = CBoardData::ParseInteger(argument.toStdString());
            if (value > kMaxPort)
                line.error = argument;
            else if (value > 0)
                line.port = value;
        } else {
            line.error = argument;
        }
    }
    return line;
}

QString CommandLine::Usage()
{
    return QStringLiteral("使い方: quorlboard [ポート番号]\n"
                          "  ポート番号  この実行の間だけ使うポート番号 (設定のポート番号に代わる)\n"
                          "  --help      この説明を表示する\n"
                          "  --version   バージョンを表示する\n");
}
