#pragma once

#include <QLoggingCategory>

// "quorlboard.board": each board read (the kept document reused, or the file
// parsed, and its time), title-list reloads (cause, rows, time), the results of
// board store operations run from the windows, attachment commits.
// Silent unless enabled with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcBoard)
