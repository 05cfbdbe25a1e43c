#pragma once

#include <QColor>

#include <cstdint>

// Colours as the records hold them, 0x00BBGGRR (red in the lowest byte).
class ColorRef
{
public:
    static QColor ToQColor(uint32_t colorRef);
    static uint32_t FromQColor(const QColor& color);
};
