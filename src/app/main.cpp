#include "app/CBoardApp.h"
#include "core/FilePath.h"
#include "app/CMainDlg.h"
#include "app/CommandLine.h"
#include "app/ProductInfo.h"
#include "app/SingleInstance.h"
#include "core/FileCreation.h"
#include "core/Version.h"
#include "process/TerminationSignals.h"
#include "settings/FileSettingsBackend.h"
#include "settings/FileSettingsBackend.h"
#include "settings/SettingsStore.h"
#include "ui/MessageBoxService.h"
#include "ui/UiEnvironment.h"

#include <QApplication>
#include <QSessionManager>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr char kAlreadyRunning[] = "%1 は既に起動しています(ポート番号:%2)。\n"
                                   "ポート番号 %3 で使うには、終了してから起動し直して下さい。";

} // namespace

int main(int argc, char* argv[])
{
    FileCreation::Init();
    // Answered before Qt looks for a display, so they work anywhere.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine early = CommandLine::Parse(arguments);
    if (early.help) {
        std::fputs(CommandLine::Usage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (early.version) {
        std::printf("%s %s\n", qPrintable(ProductInfo::Title()), QUORLBOARD_VERSION);
        return 0;
    }
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        std::fputs("quorlboard: 画面に接続できません (DISPLAY が設定されていません)\n", stderr);
        return kExitFailure;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProductInfo::Title());
    QApplication::setApplicationVersion(QStringLiteral(QUORLBOARD_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("quorlboard"));
    QApplication::setQuitOnLastWindowClosed(false);

    const CommandLine line = CommandLine::Parse(QApplication::arguments().mid(1));
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "quorlboard: ポート番号として使えません: %s\n%s", qPrintable(line.error),
                     qPrintable(CommandLine::Usage()));
        return kExitUsage;
    }

    UiEnvironment::Install(app);
    QApplication::setWindowIcon(ProductInfo::ApplicationIcon());

    SingleInstance instance(SingleInstance::KeyFor(QString::fromStdString(FileSettingsBackend::DefaultFilePath())));
    if (const std::optional<int32_t> runningPort = instance.NotifyRunning()) {
        if (!line.port || *runningPort == 0 || *line.port == *runningPort)
            return 0;
        // Another port cannot be had while the program runs: say so.
        const QString text =
            QString::fromUtf8(kAlreadyRunning).arg(ProductInfo::Title()).arg(*runningPort).arg(*line.port);
        MessageBoxService::Show(nullptr, text, MessageBoxService::Buttons::Ok, MessageBoxService::Icon::Information);
        return kExitFailure;
    }

    SettingsStore store;
    CBoardApp boardApp(store);
    boardApp.SetReadStateFolder(FilePath::DirectoryOf(SettingsStore::UserBackend().path()) + "/read");
    instance.Listen([&boardApp] { return boardApp.Port(); });
    // A later start may ask for the window while this one is still starting
    // (the first run's settings window): show it once start-up is through.
    bool showRequested = false;
    bool started = false;
    QObject::connect(&instance, &SingleInstance::showRequested, &boardApp, [&] {
        if (started)
            boardApp.MainWindow()->ShowMainWindow();
        else
            showRequested = true;
    });
    if (!boardApp.InitInstance(line.port))
        return kExitFailure;
    started = true;

    CMainDlg* window = boardApp.MainWindow();
    if (showRequested)
        window->ShowMainWindow();
    // They end the program as its Exit command does.
    const TerminationSignals termination({SIGTERM, SIGINT, SIGHUP}, [window] { window->ExitProgram(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, window, [window](QSessionManager&) {
        window->ExitProgram();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, window, &CMainDlg::ExitProgram);
    return QApplication::exec();
}
