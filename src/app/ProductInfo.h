#pragma once

#include <QIcon>
#include <QString>

// The product's name, version text and icons.
class ProductInfo
{
public:
    static QString Title();       // "QuorlBoard"
    static QString VersionText(); // "Version x.y.z"
    static QString Caption();     // title, a full-width space, version text
    static QIcon ApplicationIcon();
    static QIcon TrayIcon();
    static QIcon AlertIcon();
};
