// The intensity mapping at its edges: values outside the range it was made
// for (the 8- and 16-bit tables map every value of the type), and ranges
// wider than the largest double.
#include "formats/store_fill.h"

#include <gtest/gtest.h>

#include <limits>

namespace calyra::formats {
namespace {

TEST(MapValue, ValuesOutsideAnUnwindowedRangeGoToTheEnds) {
    IntensityMapping m;
    m.lo = 100.0;
    m.hi = 110.0;
    EXPECT_EQ(MapValue(100.0, m), 0);
    EXPECT_EQ(MapValue(105.0, m), 127);
    EXPECT_EQ(MapValue(110.0, m), 255);
    // 1000 would be 22695 before truncation to 8 bits, -5 below 0.
    EXPECT_EQ(MapValue(1000.0, m), 255);
    EXPECT_EQ(MapValue(110.05, m), 255);
    EXPECT_EQ(MapValue(-5.0, m), 0);
    EXPECT_EQ(MapValue(99.99, m), 0);
    EXPECT_EQ(MapValue(std::numeric_limits<double>::quiet_NaN(), m), 0);
}

TEST(MapValue, ARangeWiderThanTheLargestDoubleStillSpreads) {
    const double big = std::numeric_limits<double>::max();
    IntensityMapping m;
    m.lo = -big;
    m.hi = big;
    EXPECT_EQ(MapValue(-big, m), 0);
    EXPECT_EQ(MapValue(0.0, m), 127);
    EXPECT_EQ(MapValue(big, m), 255);
    m.window = true;
    EXPECT_EQ(MapValue(big / 2, m), 191);
}

}  // namespace
}  // namespace calyra::formats
