#pragma once

#include <QLoggingCategory>

// "quorlboard.app": the main window, the tray alert, message boxes shown.
// Silent unless enabled with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
// "quorlboard.notify": desktop notifications that could not be shown, each
// kind of failure once per notifier; warnings are on by default.
Q_DECLARE_LOGGING_CATEGORY(lcNotify)
