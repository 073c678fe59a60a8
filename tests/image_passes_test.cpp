#include "render/image_passes.h"

#include "test_support.h"

namespace calyra {
namespace {

using test::Store;

class ImagePassesTest : public test::CoreTest {
  protected:
    void SetUp() override {
        test::CoreTest::SetUp();
        std::fill(std::begin(session.buffers.ImageBuffer), std::end(session.buffers.ImageBuffer),
                  0u);
        std::fill(std::begin(session.buffers.DepthBuffer), std::end(session.buffers.DepthBuffer),
                  0);
    }
    void SetPixel(int x, int y, std::uint32_t v) {
        for (int c = 0; c < 3; ++c) session.buffers.ImageBuffer[3 * (x * kBufferSide + y) + c] = v;
    }
};

TEST_F(ImagePassesTest, GapsBetweenRayPixelsAreBilinear) {
    SetPixel(0, 0, 100);
    SetPixel(2, 0, 51);
    FillImageGaps(session.buffers.ImageBuffer.data(), 2, 2, 2);
    EXPECT_EQ(session.buffers.ImageAt(1, 0), 75u);  // (2 * 100 + 2 * 51) / 4
    EXPECT_EQ(session.buffers.ImageAt(0, 0), 100u);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(session.buffers.ImageBuffer[3 * (1 * kBufferSide + 0) + c], 75u);
}

TEST_F(ImagePassesTest, ABlockCentreTruncates) {
    SetPixel(2, 2, 10);
    FillImageGaps(session.buffers.ImageBuffer.data(), 2, 2, 2);
    EXPECT_EQ(session.buffers.ImageAt(1, 1), 2u);  // 10 / 4
}

TEST_F(ImagePassesTest, TheLastColumnAndRowStayUnfilled) {
    for (int x = 0; x < 8; x += 2)
        for (int y = 0; y < 8; y += 2) SetPixel(x, y, 40);
    FillImageGaps(session.buffers.ImageBuffer.data(), 4, 4, 2);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(session.buffers.ImageAt(7, k), 0u);
        EXPECT_EQ(session.buffers.ImageAt(k, 7), 0u);
    }
    EXPECT_EQ(session.buffers.ImageAt(5, 5), 40u);
}

TEST_F(ImagePassesTest, DepthGapsFillTheSameWay) {
    session.buffers.DepthAt(0, 0) = 8;
    session.buffers.DepthAt(2, 0) = 4;
    FillDepthGaps(session.buffers.DepthBuffer.data(), 2, 2, 2);
    EXPECT_EQ(session.buffers.DepthAt(1, 0), 6);
}

TEST_F(ImagePassesTest, AFlatPatchShadesToHalfOfMaxValue) {
    Store(session).maxValue = 256;
    for (int x = 0; x < 6; ++x)
        for (int y = 0; y < 6; ++y) session.buffers.DepthAt(x, y) = 20;
    ShadeFromDepth(session.buffers.ImageBuffer.data(), session.buffers.DepthBuffer.data(),
                   Store(session).maxValue, {-36, -36, -36}, {0, 0, 6}, {6, 0, 0}, {0, 6, 0}, 6, 6,
                   1, 1);
    EXPECT_EQ(session.buffers.ImageAt(2, 2), 128u);
    // The first column and row are left as they are.
    EXPECT_EQ(session.buffers.ImageAt(0, 3), 0u);
    EXPECT_EQ(session.buffers.ImageAt(3, 0), 0u);
}

TEST_F(ImagePassesTest, MissesAreNotShadedAndSilhouettesAreSteep) {
    Store(session).maxValue = 256;
    session.buffers.DepthAt(3, 3) = 10;  // one hit surrounded by misses
    ShadeFromDepth(session.buffers.ImageBuffer.data(), session.buffers.DepthBuffer.data(),
                   Store(session).maxValue, {-36, -36, -36}, {0, 0, 6}, {6, 0, 0}, {0, 6, 0}, 6, 6,
                   1, 1);
    EXPECT_EQ(session.buffers.ImageAt(2, 2), 0u);
    // Every neighbour missed: gX = gY = 0, gZ = 0.25 * 8 * 10 = 20, N = (0, 0, -120) -> (0, 0,
    // -16). s = (36 + 36 + 20) / 216; term = trunc(256 * s).
    EXPECT_EQ(session.buffers.ImageAt(3, 3),
              static_cast<std::uint32_t>(256.0f * (92.0f * 0.0046296297f)));
}

TEST_F(ImagePassesTest, TheShadingTermStaysWithinItsBounds) {
    Store(session).maxValue = 255;
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 16; ++y) session.buffers.DepthAt(x, y) = 1 + (x * 7 + y * 3) % 11;
    ShadeFromDepth(session.buffers.ImageBuffer.data(), session.buffers.DepthBuffer.data(),
                   Store(session).maxValue, {-36, -36, -36}, {1, 2, 6}, {6, -1, 0}, {0, 6, 3}, 16,
                   16, 1, 1);
    for (int x = 1; x < 16; ++x)
        for (int y = 1; y < 16; ++y) {
            EXPECT_GE(session.buffers.ImageAt(x, y), static_cast<std::uint32_t>(255 * 60 / 216));
            EXPECT_LE(session.buffers.ImageAt(x, y),
                      static_cast<std::uint32_t>(255 * 156 / 216) + 1);
        }
}

TEST_F(ImagePassesTest, NeighboursPastTheBufferReadAsMisses) {
    Store(session).maxValue = 256;
    for (int x = 0; x < kBufferSide; ++x) session.buffers.DepthAt(x, 511) = 5;
    // Must not read row 512; the pixel sees a miss below it.
    ShadeFromDepth(session.buffers.ImageBuffer.data(), session.buffers.DepthBuffer.data(),
                   Store(session).maxValue, {-36, -36, -36}, {0, 0, 6}, {6, 0, 0}, {0, 6, 0}, 512,
                   512, 1, 1);
    EXPECT_GT(session.buffers.ImageAt(100, 511), 0u);
}

}  // namespace
}  // namespace calyra
