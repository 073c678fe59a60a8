// The display window and the colour maps on known grey levels.
#include "render/display_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "test_support.h"

namespace calyra {
namespace {

// The window's stretch as the rule states it, in plain integers.
int Stretched(int g, int lo, int hi) {
    if (g <= lo) return 0;
    if (g >= hi) return 255;
    return (g - lo) * 255 / (hi - lo);
}

class WindowTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(WindowTest, GreyAndInvertedFollowTheStretchForEveryLevel) {
    const auto [lo, hi] = GetParam();
    const DisplayWindow window{lo, hi};
    for (int g = 0; g < 256; ++g) {
        const auto s = static_cast<std::uint8_t>(Stretched(g, lo, hi));
        const auto grey = static_cast<std::uint8_t>(g);
        EXPECT_EQ(DisplayColour(grey, ColourMap::Grey, window), (Rgb8{s, s, s})) << g;
        const auto inv = static_cast<std::uint8_t>(255 - s);
        EXPECT_EQ(DisplayColour(grey, ColourMap::Inverted, window), (Rgb8{inv, inv, inv})) << g;
        // The coloured maps read their table at the stretched level.
        for (ColourMap map : {ColourMap::Hot, ColourMap::Bone, ColourMap::Viridis}) {
            EXPECT_EQ(DisplayColour(grey, map, window), DisplayColour(s, map, DisplayWindow{}));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowTest,
                         ::testing::Values(std::tuple{0, 255}, std::tuple{0, 1},
                                           std::tuple{254, 255}, std::tuple{40, 200},
                                           std::tuple{100, 101}, std::tuple{13, 250}));

TEST(DisplayMapTest, TheFullWindowChangesNoGrey) {
    for (int g = 0; g < 256; ++g) {
        const auto v = static_cast<std::uint8_t>(g);
        EXPECT_EQ(DisplayColour(v, ColourMap::Grey, DisplayWindow{}), (Rgb8{v, v, v}));
    }
}

// Known entries of the published maps (round(255 v) of their values).
TEST(DisplayMapTest, TheColourMapsHoldThePublishedEntries) {
    const DisplayWindow all;
    EXPECT_EQ(DisplayColour(0, ColourMap::Hot, all), (Rgb8{11, 0, 0}));
    EXPECT_EQ(DisplayColour(255, ColourMap::Hot, all), (Rgb8{255, 255, 255}));
    EXPECT_EQ(DisplayColour(0, ColourMap::Bone, all), (Rgb8{0, 0, 0}));
    EXPECT_EQ(DisplayColour(255, ColourMap::Bone, all), (Rgb8{255, 255, 255}));
    EXPECT_EQ(DisplayColour(0, ColourMap::Viridis, all), (Rgb8{68, 1, 84}));
    EXPECT_EQ(DisplayColour(255, ColourMap::Viridis, all), (Rgb8{253, 231, 37}));
    // Hot runs black-red, red-yellow, yellow-white: red saturates first, blue last.
    int redFull = -1, blueStart = -1;
    for (int g = 0; g < 256; ++g) {
        const Rgb8 c = DisplayColour(static_cast<std::uint8_t>(g), ColourMap::Hot, all);
        if (redFull < 0 && c.r == 255) redFull = g;
        if (blueStart < 0 && c.b > 0) blueStart = g;
        EXPECT_TRUE(c.r >= c.g && c.g >= c.b) << g;
    }
    EXPECT_GT(redFull, 80);
    EXPECT_LT(redFull, 100);
    EXPECT_GT(blueStart, 180);
}

TEST(DisplayMapTest, NamesRoundTrip) {
    for (const ColourMapName& row : kColourMaps) {
        EXPECT_EQ(FindColourMap(row.name), row.value);
        EXPECT_STREQ(NameOf(row.value), row.name);
    }
    EXPECT_EQ(FindColourMap("Grey"), std::nullopt);
    EXPECT_EQ(FindColourMap("gray"), std::nullopt);
}

struct DragCase {
    const char* label;
    DisplayWindow start;
    int right, up;
    DisplayWindow want;
};

class DragTest : public ::testing::TestWithParam<DragCase> {};

TEST_P(DragTest, MovesTheWindowWithinItsLimits) {
    const DragCase& c = GetParam();
    const DisplayWindow got = DraggedWindow(c.start, c.right, c.up);
    EXPECT_EQ(got, c.want) << got.lo << ' ' << got.hi;
    EXPECT_TRUE(IsDisplayWindow(got.lo, got.hi));
}

INSTANTIATE_TEST_SUITE_P(
    Drags, DragTest,
    ::testing::Values(DragCase{"NoMove", {40, 200}, 0, 0, {40, 200}},
                      DragCase{"RightWidensByEachPixel", {100, 150}, 10, 0, {95, 155}},
                      DragCase{"LeftNarrows", {100, 150}, -20, 0, {110, 140}},
                      DragCase{"UpRaisesTheCentre", {100, 150}, 0, 7, {107, 157}},
                      DragCase{"DownLowersIt", {100, 150}, 0, -30, {70, 120}},
                      DragCase{"NarrowestIsOneLevel", {100, 150}, -500, 0, {125, 126}},
                      DragCase{"WidestIsTheWholeRange", {100, 150}, 900, 0, {0, 255}},
                      DragCase{"StopsAtBlack", {10, 60}, 0, -100, {0, 50}},
                      DragCase{"StopsAtWhite", {200, 250}, 0, 100, {205, 255}},
                      DragCase{
                          "HugeDragsStayInRange", {0, 255}, -2147483647, 2147483647, {254, 255}}),
    test::kByLabel);

}  // namespace
}  // namespace calyra
