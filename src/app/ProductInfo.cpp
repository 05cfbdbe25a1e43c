#include "app/ProductInfo.h"

#include "core/Version.h"
#include "ui/MessageBoxService.h"

QString ProductInfo::Title() { return MessageBoxService::ApplicationName(); }

QString ProductInfo::VersionText() { return QStringLiteral("Version ") + QStringLiteral(QUORLBOARD_VERSION); }

QString ProductInfo::Caption() { return Title() + QStringLiteral("\u3000") + VersionText(); }

QIcon ProductInfo::ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quorlboard-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon ProductInfo::TrayIcon() { return QIcon(QStringLiteral(":/icons/tray-normal.png")); }

QIcon ProductInfo::AlertIcon() { return QIcon(QStringLiteral(":/icons/tray-alert.png")); }
