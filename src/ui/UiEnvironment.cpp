#include "ui/UiEnvironment.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

constexpr const char* kDialogFace = "ＭＳ Ｐゴシック";
// Proportional Japanese gothics, best first.
constexpr const char* kGothicFaces[] = {"IPAPGothic", "IPA Pゴシック", "Noto Sans CJK JP", "VL PGothic",
                                        "Takao Pゴシック", "IPAGothic"};

} // namespace

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

    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
}
