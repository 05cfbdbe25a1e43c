#pragma once

#include "settings/SettingsRecords.h"

#include <QFont>

// The board font between its stored description (LOGFONT fields, height in
// tenths of a point, CP932 face name) and a Qt point-size font.
class BoardFont
{
public:
    static constexpr int32_t kDefaultHeight = 110; // 11 points
    static constexpr uint8_t kShiftJisCharSet = 128;

    static QFont ToFont(const FontDescription& description);
    static FontDescription FromFont(const QFont& font);
    // The dialog face at 11 points, for when no font is stored.
    static FontDescription Default();
};
