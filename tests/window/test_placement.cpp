#include "window/placement.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

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

TEST(Placement, AScaledWindowSurelyFitsTheScreensDevicePixels)
{
    // Each screen's logical size, as Qt rounds it, and what fits.
    const std::vector<std::tuple<QSize, qreal, QSize>> screens{
        {{1920, 1080}, 1, {1920, 1080}},
        {{911, 512}, 1.5, {910, 512}}, // 1366 x 768
        {{800, 500}, 2, {799, 499}}, // 1600 x 1000, or 1599 x 999
        {{1093, 614}, 1.25, {1093, 613}}, // 1366 x 768
    };
    for (const auto& [logical, scale, fits] : screens)
        EXPECT_EQ(surelyWithin(logical, scale), fits) << logical.width() << " at " << scale;
}

// A scroll bar takes room from the other way, and can make that way too
// small in turn.
TEST(Placement, TheWindowTakesTheLargestSizeInWhichItsContentsScroll)
{
    const QSize designed(1064, 392);
    const std::vector<std::pair<QSize, QSize>> roomAndSize{
        {{1064, 392}, {1064, 392}},
        {{910, 494}, {910, 408}}, // 1366 x 768 at 1.5 less a panel
        {{800, 500}, {800, 408}}, // 1600 x 1000 at 2
        {{1000, 400}, {1000, 400}}, // below a bar across, too low: a bar down too
        {{1090, 300}, {1080, 300}}, // a bar down only
        {{1070, 300}, {1070, 300}}, // beside a bar down, too narrow: a bar across too
    };
    for (std::size_t row = 0; row < roomAndSize.size(); ++row)
        EXPECT_EQ(fittedSize(designed, roomAndSize[row].first, 16), roomAndSize[row].second) << "row " << row;
}

TEST(Placement, AFrameIsKeptWithinTheAreaAtTheLeastDistance)
{
    const QRect available(1920, 24, 910, 488);
    const std::vector<std::pair<QRect, QPoint>> frameAndPosition{
        {{2000, 100, 500, 300}, {2000, 100}},
        {{2600, 300, 500, 300}, {2330, 212}},
        {{100, -50, 500, 300}, {1920, 24}},
        {{2600, 300, 1068, 396}, {1920, 116}}, // wider than the area
    };
    for (std::size_t row = 0; row < frameAndPosition.size(); ++row)
        EXPECT_EQ(keptWithin(available, frameAndPosition[row].first), frameAndPosition[row].second) << "row " << row;
}

} // namespace
