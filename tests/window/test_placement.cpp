#include "window/placement.h"

#include <gtest/gtest.h>

using namespace ferrowax;

namespace {

TEST(Placement, CentredWhenTheWindowFitsElseAtTheTopLeftCorner)
{
    const QSize window(1064, 392);
    EXPECT_EQ(placementFor({0, 0, 1920, 1080}, window), QPoint(428, 344));
    EXPECT_EQ(placementFor({0, 27, 1280, 693}, window), QPoint(108, 177));
    // 1366 x 768 at 1.5 and 1920 x 1080 at 2, each less a panel.
    EXPECT_EQ(placementFor({0, 18, 910, 494}, window), QPoint(0, 18));
    EXPECT_EQ(placementFor({64, 0, 896, 540}, window), QPoint(64, 0));
    EXPECT_EQ(placementFor({1920, 0, 1280, 380}, window), QPoint(1920, 0)); // too low only
}

// At the least distance; where the frame is larger, its top-left edges.
TEST(Placement, AFrameIsKeptWithinTheArea)
{
    const QRect area(1920, 24, 910, 488);
    EXPECT_EQ(keptWithin(area, {2000, 100, 500, 300}), QPoint(2000, 100));
    EXPECT_EQ(keptWithin(area, {2600, 300, 500, 300}), QPoint(2330, 212));
    EXPECT_EQ(keptWithin(area, {100, -50, 500, 300}), QPoint(1920, 24));
    EXPECT_EQ(keptWithin(area, {2600, 300, 1068, 396}), QPoint(1920, 116));
}

// From a screen's logical size, as Qt rounds it.
TEST(Placement, AScaledWindowSurelyFitsTheScreensDevicePixels)
{
    EXPECT_EQ(surelyWithin({1920, 1080}, 1), QSize(1920, 1080));
    EXPECT_EQ(surelyWithin({911, 512}, 1.5), QSize(910, 512)); // 1366 x 768
    EXPECT_EQ(surelyWithin({800, 500}, 2), QSize(799, 499)); // 1600 x 1000, or 1599 x 999
    EXPECT_EQ(surelyWithin({1093, 614}, 1.25), QSize(1093, 613)); // 1366 x 768
}

// A scroll bar takes room from the other way, which may then need one too.
TEST(Placement, TheWindowTakesTheLargestSizeInWhichItsContentsScroll)
{
    const QSize designed(1064, 392);
    EXPECT_EQ(fittedSize(designed, {1064, 392}, 16), designed);
    EXPECT_EQ(fittedSize(designed, {910, 494}, 16), QSize(910, 408)); // 1366 x 768 at 1.5 less a panel
    EXPECT_EQ(fittedSize(designed, {800, 500}, 16), QSize(800, 408)); // 1600 x 1000 at 2
    EXPECT_EQ(fittedSize(designed, {1000, 400}, 16), QSize(1000, 400)); // too low below a bar across
    EXPECT_EQ(fittedSize(designed, {1090, 300}, 16), QSize(1080, 300)); // a bar down only
    EXPECT_EQ(fittedSize(designed, {1070, 300}, 16), QSize(1070, 300)); // too narrow beside a bar down
}

} // namespace
