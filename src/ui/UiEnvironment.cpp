#include "ui/UiEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

namespace {

constexpr const char* kDialogFace = "ＭＳ Ｐゴシック";
// Proportional Japanese gothics, best first.
constexpr const char* kGothicFaces[] = {"IPAPGothic", "IPA Pゴシック", "Noto Sans CJK JP", "VL PGothic",
                                        "Takao Pゴシック", "IPAGothic"};

constexpr const char* kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 0px; margin-top: 0.5em; padding-top: 0.5em; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px; padding: 0 2px; }";

// The bare theme that every other one falls back to.
constexpr const char* kFallbackTheme = "hicolor";
// Themes with icons for file types, best first.
constexpr const char* kIconThemes[] = {"Adwaita", kFallbackTheme};

} // namespace

void UiEnvironment::EnsureIconTheme()
{
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QLatin1String(kFallbackTheme))
        return;
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& dir : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                                        QStandardPaths::LocateDirectory)) {
        if (!paths.contains(dir))
            paths << dir;
    }
    QIcon::setThemeSearchPaths(paths);
    for (const char* theme : kIconThemes) {
        const QString name = QString::fromLatin1(theme);
        for (const QString& dir : paths) {
            if (QFile::exists(dir + u'/' + name + QStringLiteral("/index.theme"))) {
                QIcon::setThemeName(name);
                return;
            }
        }
    }
}

QString UiEnvironment::DialogFaceName() { return QString::fromUtf8(kDialogFace); }

QFont UiEnvironment::DialogFont() { return QFont(DialogFaceName(), kDialogPointSize); }

void UiEnvironment::Install(QApplication& app)
{
    const QStringList families = QFontDatabase::families();
    for (const char* face : kGothicFaces) {
        QString name = QString::fromUtf8(face);
        if (families.contains(name, Qt::CaseInsensitive)) {
            QFont::insertSubstitution(DialogFaceName(), name);
            break;
        }
    }
    QApplication::setFont(DialogFont());
    // Group box captions sit on the frame's top line, as in the dialog
    // layouts the controls are placed by; Qt's own styles put them above
    // the frame, where they would push it onto the controls.
    app.setStyleSheet(QString::fromLatin1(kGroupBoxStyle));
    EnsureIconTheme();

    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
}
