#include "net/NetLog.h"

Q_LOGGING_CATEGORY(lcNet, "quorlboard.net", QtWarningMsg)
