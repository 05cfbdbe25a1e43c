#pragma once

#include <QFont>

class QApplication;

// What every window of the program relies on: the dialog font
// "ＭＳ Ｐゴシック" 9 pt mapped to an installed Japanese gothic, Qt's own
// dialogs in Japanese, and an icon theme for file types even without a
// desktop session.
class UiEnvironment
{
public:
    static constexpr int kDialogPointSize = 9;

    // Call once, after the QApplication exists and before the first window.
    static void Install(QApplication& app);
    // Without a desktop session Qt names no icon theme, or under X only
    // "hicolor", the bare fallback theme without icons for file types: then
    // the first installed theme that has them.
    static void EnsureIconTheme();
    static QString DialogFaceName();
    static QFont DialogFont();
};
