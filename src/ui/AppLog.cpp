#include "ui/AppLog.h"

Q_LOGGING_CATEGORY(lcApp, "quorlboard.app", QtWarningMsg)
