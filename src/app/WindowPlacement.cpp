#include "app/WindowPlacement.h"

ClientSizeRecord WindowPlacement::Default()
{
    return ClientSizeRecord{0, 0, kDefaultWidth, kDefaultHeight, kShowNormal};
}

bool WindowPlacement::IsPlacementUsable(const ClientSizeRecord& placement, const QRect& workArea)
{
    const int areaLeft = workArea.x();
    const int areaTop = workArea.y();
    const int areaRight = workArea.x() + workArea.width();
    return placement.top >= areaTop && placement.bottom >= areaTop && placement.left <= areaRight &&
           placement.right >= areaLeft && placement.bottom - placement.top > 0 &&
           placement.right - placement.left > 0;
}

void WindowPlacement::CentreInWorkArea(ClientSizeRecord& placement, const QRect& workArea)
{
    const int width = placement.right - placement.left;
    const int height = placement.bottom - placement.top;
    placement.left = workArea.width() / 2 - width / 2;
    placement.top = workArea.height() / 2 - height / 2;
    placement.right = placement.left + width;
    placement.bottom = placement.top + height;
}

QRect WindowPlacement::ToRect(const ClientSizeRecord& placement)
{
    return QRect(placement.left, placement.top, placement.right - placement.left, placement.bottom - placement.top);
}

ClientSizeRecord WindowPlacement::FromRect(const QRect& rect, int showCommand)
{
    return ClientSizeRecord{rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height(), showCommand};
}
