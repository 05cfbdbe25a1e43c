#pragma once

#include <QLoggingCategory>

// "quorlboard.net": datagrams sent and received, member-table changes, the
// socket opening and closing. Silent unless enabled with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcNet)
