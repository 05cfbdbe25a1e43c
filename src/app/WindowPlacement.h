#pragma once

#include "settings/SettingsRecords.h"

#include <QRect>

// The rules for a stored window rectangle against the desktop's work area
// (the screen without panels). Rectangles are Windows-style: right and
// bottom lie just outside.
class WindowPlacement
{
public:
    static constexpr int kDefaultWidth = 630;
    static constexpr int kDefaultHeight = 380;
    static constexpr int kShowNormal = 1;
    static constexpr int kShowMinimized = 2;
    static constexpr int kShowMaximized = 3;

    static ClientSizeRecord Default();
    static bool IsPlacementUsable(const ClientSizeRecord& placement, const QRect& workArea);
    // Centres by the work area's size; its origin is not added.
    static void CentreInWorkArea(ClientSizeRecord& placement, const QRect& workArea);

    static QRect ToRect(const ClientSizeRecord& placement);
    static ClientSizeRecord FromRect(const QRect& rect, int showCommand);
};
