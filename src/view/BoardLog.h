#pragma once

#include <QLoggingCategory>

// "quorlboard.board": title-list reloads (cause, rows, time), the results of
// board store operations run from the windows, attachment commits.
// Silent unless enabled with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcBoard)
