#include "ui/MessageBoxService.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QTranslator>

namespace {

constexpr const char* kDialogFace = "ＭＳ Ｐゴシック";
constexpr const char* kInstalledGothic = "IPAPGothic";
constexpr int kDialogPointSize = 9;

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(MessageBoxService::ApplicationName());
    QApplication::setApplicationVersion(QStringLiteral(QUORLBOARD_VERSION));

    QFont::insertSubstitution(QString::fromUtf8(kDialogFace), QString::fromUtf8(kInstalledGothic));
    QApplication::setFont(QFont(QString::fromUtf8(kDialogFace), kDialogPointSize));

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QMainWindow window;
    window.setWindowTitle(MessageBoxService::ApplicationName());
    auto* placeholder = new QLabel(QStringLiteral("掲示板"), &window);
    placeholder->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(placeholder);
    window.resize(630, 380);
    window.show();
    return QApplication::exec();
}
