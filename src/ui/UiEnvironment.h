#pragma once

#include <QFont>

class QApplication;

// What every window of the program relies on: the dialog font
// "ＭＳ Ｐゴシック" 9 pt mapped to an installed Japanese gothic, and Qt's own
// dialogs in Japanese.
class UiEnvironment
{
public:
    static constexpr int kDialogPointSize = 9;

    // Call once, after the QApplication exists and before the first window.
    static void Install(QApplication& app);
    static QString DialogFaceName();
    static QFont DialogFont();
};
