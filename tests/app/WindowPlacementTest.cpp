#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

ClientSizeRecord Rect(int left, int top, int right, int bottom)
{
    return ClientSizeRecord{left, top, right, bottom, WindowPlacement::kShowNormal};
}

TEST(WindowPlacement, OnlyRectanglesOverlappingTheWorkAreaFromBelowItsTopAreUsable)
{
    const QRect workArea(0, 0, 1280, 1000); // a panel takes the bottom of a 1024-high screen
    const std::pair<ClientSizeRecord, bool> cases[] = {
        {Rect(100, 100, 730, 480), true},    {Rect(1200, 10, 1830, 390), true}, // partly off the right
        {Rect(-600, 10, 30, 390), true},     {Rect(1280, 0, 1900, 300), true},
        {Rect(100, -500, 730, -120), false}, {Rect(100, -5, 730, 375), false},  // title bar above
        {Rect(1281, 10, 1900, 390), false},  {Rect(-700, 10, -1, 390), false},
        {Rect(100, 100, 100, 480), false},   {Rect(100, 100, 730, 100), false}, // no width, no height
        {Rect(730, 100, 100, 480), false},                                      // inside out
    };
    for (const auto& [rect, usable] : cases)
        EXPECT_EQ(WindowPlacement::IsPlacementUsable(rect, workArea), usable) << rect.left << "," << rect.top;
}

} // namespace
