#include "ui/AppLog.h"

Q_LOGGING_CATEGORY(lcApp, "quorlboard.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNotify, "quorlboard.notify", QtWarningMsg)
