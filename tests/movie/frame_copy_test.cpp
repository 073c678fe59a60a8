// Owned copies of borrowed pixels: padded rows come out tight, pixel for pixel.
#include <gtest/gtest.h>

#include "movie/frame.h"
#include "tests/movie/movie_test_support.h"

namespace calyra::movie::test {
namespace {

struct CopyCase {
    int width;
    int height;
    int stride;  // 0: tight rows
};

class FrameCopy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(FrameCopy, KeepsEveryPixelInRowsOfWidthTimesThree) {
    const CopyCase& c = GetParam();
    const Frame padded = Waves(c.width, c.height, 3, c.stride);
    const Frame copy = CopyFrame(padded.View());
    EXPECT_EQ(copy.width, c.width);
    EXPECT_EQ(copy.height, c.height);
    EXPECT_EQ(copy.RowBytes(), c.width * 3);
    EXPECT_EQ(FrameProblem(copy, c.width, c.height), "");
    ASSERT_EQ(copy.rgb.size(), static_cast<std::size_t>(c.width) * c.height * 3);
    EXPECT_EQ(MeanDifference(padded, copy.rgb), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Strides, FrameCopy,
                         ::testing::Values(CopyCase{16, 8, 0}, CopyCase{15, 9, 48},
                                           CopyCase{1, 1, 4}, CopyCase{33, 2, 128}));

}  // namespace
}  // namespace calyra::movie::test
