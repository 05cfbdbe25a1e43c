#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

const QRect kWorkArea(0, 0, 1280, 1000); // a panel takes the bottom of a 1024-high screen

ClientSizeRecord Rect(int left, int top, int right, int bottom)
{
    return ClientSizeRecord{left, top, right, bottom, WindowPlacement::kShowNormal};
}

} // namespace

TEST(WindowPlacement, UsableRectanglesOverlapTheWorkAreaFromBelowItsTop)
{
    EXPECT_TRUE(WindowPlacement::IsPlacementUsable(Rect(100, 100, 730, 480), kWorkArea));
    // Partly off the right or left edge is still reachable.
    EXPECT_TRUE(WindowPlacement::IsPlacementUsable(Rect(1200, 10, 1830, 390), kWorkArea));
    EXPECT_TRUE(WindowPlacement::IsPlacementUsable(Rect(-600, 10, 30, 390), kWorkArea));
    EXPECT_TRUE(WindowPlacement::IsPlacementUsable(Rect(1280, 0, 1900, 300), kWorkArea));
}

TEST(WindowPlacement, RectanglesAboveOrBesideTheWorkAreaOrEmptyAreRefused)
{
    EXPECT_FALSE(WindowPlacement::IsPlacementUsable(Rect(100, -500, 730, -120), kWorkArea)); // wholly above
    EXPECT_FALSE(WindowPlacement::IsPlacementUsable(Rect(100, -5, 730, 375), kWorkArea));    // title bar above
    EXPECT_FALSE(WindowPlacement::IsPlacementUsable(Rect(1281, 10, 1900, 390), kWorkArea));  // right of it
    EXPECT_FALSE(WindowPlacement::IsPlacementUsable(Rect(-700, 10, -1, 390), kWorkArea));    // left of it
    EXPECT_FALSE(WindowPlacement::IsPlacementUsable(Rect(100, 100, 100, 480), kWorkArea));   // no width
    EXPECT_FALSE(WindowPlacement::IsPlacementUsable(Rect(100, 100, 730, 100), kWorkArea));   // no height
    EXPECT_FALSE(WindowPlacement::IsPlacementUsable(Rect(730, 100, 100, 480), kWorkArea));   // inside out
}

TEST(WindowPlacement, CentringUsesTheWorkAreaSizeButNotItsOrigin)
{
    ClientSizeRecord placement = WindowPlacement::Default();
    WindowPlacement::CentreInWorkArea(placement, QRect(200, 50, 1280, 1000));
    EXPECT_EQ(placement.left, 640 - 315);
    EXPECT_EQ(placement.top, 500 - 190);
    EXPECT_EQ(placement.right - placement.left, 630);
    EXPECT_EQ(placement.bottom - placement.top, 380);

    ClientSizeRecord odd = Rect(5, 5, 5 + 301, 5 + 201);
    WindowPlacement::CentreInWorkArea(odd, QRect(0, 0, 801, 601));
    EXPECT_EQ(odd.left, 400 - 150);
    EXPECT_EQ(odd.top, 300 - 100);
    EXPECT_EQ(odd.right, odd.left + 301);
}
