#include "render/ray_cast.h"

#include "render/ray_context.h"
#include "render/ray_sample.h"
#include "test_support.h"

namespace calyra {
namespace {

using test::Store;

// A small hand-made volume: dims n^3, all zeros unless a test writes voxels.
class RayCastTest : public test::CoreTest {
  protected:
    void Make(int n, std::uint32_t maxValue = 256, int mirror = 0) {
        ASSERT_EQ(AllocateVolume(Store(session), n, n, n), 1);
        PublishShape(Store(session), n, n, n, n);
        Store(session).maxValue = maxValue;
        Store(session).mirrorZ = mirror;
    }
    std::uint8_t& At(int x, int y, int z) { return Store(session).voxels[x][y][z]; }
};

TEST_F(RayCastTest, TrilinearWeightsSumToEight) {
    const std::int32_t first[8] = {8, 0, 0, 0, 0, 0, 0, 0};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(TrilinearWeights[0][k], first[k]);
        EXPECT_EQ(TrilinearWeights[13][k], 1);  // (1, 1, 1)
        EXPECT_EQ(TrilinearWeights[26][k], k == 7 ? 8 : 0);
    }
    for (const auto& entry : TrilinearWeights) {
        int sum = 0;
        for (int w : entry) sum += w;
        EXPECT_EQ(sum, 8);
    }
    for (int k = 0; k < 4; ++k) EXPECT_EQ(BilinearWeights(1, 1, 2)[k], 1);
    EXPECT_EQ(BilinearWeights(0, 0, 2)[0], 4);
    // Every offset's weights sum to the divisor r * r, for any block side.
    for (int r : {2, 3})
        for (int i = 0; i < r; ++i)
            for (int j = 0; j < r; ++j) {
                const auto w = BilinearWeights(i, j, r);
                EXPECT_EQ(w[0] + w[1] + w[2] + w[3], r * r) << r << ' ' << i << ' ' << j;
            }
}

TEST_F(RayCastTest, OnlyCellsStrictlyInsideAreSampled) {
    Make(8);
    for (int x = 0; x <= 8; ++x)
        for (int y = 0; y <= 8; ++y)
            for (int z = 0; z <= 8; ++z) At(x, y, z) = 9;
    EXPECT_EQ(SampleVolume(session, {1.0f, 1.0f, 1.0f}), 9u);
    EXPECT_EQ(SampleVolume(session, {7.9f, 7.9f, 7.9f}), 9u);
    EXPECT_EQ(SampleVolume(session, {0.9f, 4, 4}), 0u);
    EXPECT_EQ(SampleVolume(session, {-0.5f, 4, 4}), 0u);  // truncates to 0: outside
    EXPECT_EQ(SampleVolume(session, {4, 8.0f, 4}), 0u);
    EXPECT_EQ(SampleVolume(session, {4, 4, 1e30f}), 0u);
    EXPECT_EQ(VolumeGradient(session, {0.5f, 4, 4}).x, 0);
}

TEST_F(RayCastTest, InterpolationAtTheLowerCornerReturnsTheVoxel) {
    Make(8);
    At(3, 4, 5) = 80;
    At(4, 4, 5) = 160;
    session.settings.interpolate = true;
    EXPECT_EQ(SampleVolume(session, {3.2f, 4.1f, 5.4f}), 80u);
    // Halfway along x: (4 * 80 + 4 * 160) / 8.
    EXPECT_EQ(SampleVolume(session, {3.5f, 4.1f, 5.4f}), 120u);
}

TEST_F(RayCastTest, MirroringFoldsTheUpperHalf) {
    Make(128, 256, 1);
    At(10, 10, 62) = 62;
    At(10, 10, 64) = 64;
    At(10, 10, 65) = 65;
    // Samples read slice 64 itself and slice 65 from slice 62.
    EXPECT_EQ(SampleVolume(session, {10, 10, 64.5f}), 64u);
    EXPECT_EQ(SampleVolume(session, {10, 10, 65.5f}), 62u);
    // The gradient already mirrors 64 to 63 and works along the stored slices.
    const Int3 g = VolumeGradient(session, {10, 10, 64.5f});
    EXPECT_EQ(g.z, 64 - 62);
}

TEST_F(RayCastTest, TheMirroredLastSliceReadsItsMissingNeighbourAsZero) {
    Make(16, 256, 1);
    At(5, 5, 1) = 30;
    // iz = 15 mirrors to slice 0; its lower neighbour is outside the store.
    EXPECT_EQ(VolumeGradient(session, {5, 5, 15.2f}).z, 30);
}

TEST_F(RayCastTest, InterpolatedGradientUsesHalfVoxelDifferences) {
    Make(8);
    At(3, 3, 3) = 8;
    session.settings.interpolate = true;
    const Int3 g = VolumeGradient(session, {3.1f, 3.1f, 3.1f});
    // S0 = 8 * 8; Sx with fx = 1 halves the weight of the lower voxel.
    EXPECT_EQ(g.x, 4 * 8 - 8 * 8);
    EXPECT_EQ(g.y, 4 * 8 - 8 * 8);
    EXPECT_EQ(g.z, 4 * 8 - 8 * 8);
}

class SurfaceRayTest : public RayCastTest {
  protected:
    void SetUp() override {
        RayCastTest::SetUp();
        Make(64);
    }
    RayResult Shoot(float z0) {
        return CastRay(session, {10.5f, 20.5f, z0}, {0, 0, 1}, {0, 0, -1}, 64, RenderType::Surface);
    }
};

TEST_F(SurfaceRayTest, HitsInTheFirstTwoStepsShowTheSample) {
    At(10, 20, 1) = 100;
    EXPECT_EQ(Shoot(0.0f).value, 100u);
    EXPECT_EQ(Shoot(0.0f).depth, 1);
    At(10, 20, 1) = 0;
    At(10, 20, 2) = 100;
    EXPECT_EQ(Shoot(0.0f).value, 100u);
    EXPECT_EQ(Shoot(0.0f).depth, 2);
}

TEST_F(SurfaceRayTest, LaterHitsGetTheDepthCuedBrightness) {
    At(10, 20, 3) = 100;
    const RayResult hit = Shoot(0.0f);
    EXPECT_EQ(hit.depth, 3);
    // s = trunc(10.5 + 20.5 + 3) = 34; (192 - 34) * 85 / 64 + 28 - 2 * 28 / 64.
    EXPECT_EQ(hit.value, static_cast<std::uint32_t>((192 - 34) * 85 / 64 + 28 - 0));
}

TEST_F(SurfaceRayTest, ASampleEqualToTheThresholdDoesNotHit) {
    session.settings.threshold = 0.5f;  // level 128
    At(10, 20, 1) = 128;
    EXPECT_EQ(Shoot(0.0f).depth, 0);
    EXPECT_EQ(Shoot(0.0f).value, 0u);
    At(10, 20, 1) = 129;
    EXPECT_EQ(Shoot(0.0f).depth, 1);
}

TEST_F(RayCastTest, BrightnessMatchesTheWorkedExample) {
    Make(64);
    EXPECT_EQ(DepthCuedBrightness(session, 10, {20.5f, 30.2f, 11.0f}, 64), 197u);
    // Beyond three times the size the brightness would be negative: 0.
    EXPECT_EQ(DepthCuedBrightness(session, 60, {100, 100, 100}, 64), 0u);
}

// The per-render tables give the formula's brightness at every position
// sum and step, the edges of the tables and the positions past them too.
TEST_F(RayCastTest, BrightnessTablesMatchTheFormula) {
    Make(64);
    Store(session).maxValue = 200;
    const RayContext plain =
        MakeRayContext(session.volume(), RenderType::Surface, nullptr, session.settings.threshold,
                       session.settings.interpolate);
    RayContext cued = plain;
    PrepareDepthCue(cued, 128);
    ASSERT_FALSE(cued.sumCue.empty());
    for (int sum = -4; sum < 3 * 64 + 8; ++sum) {
        const Point3 p{static_cast<float>(sum) + 0.25f, 0.0f, 0.0f};
        for (std::uint32_t i : {0u, 1u, 63u, 127u, 128u, 500u}) {
            ASSERT_EQ(Brightness(cued, i, p, 128), Brightness(plain, i, p, 128)) << sum << ' ' << i;
            // Rays of another length use the formula for the step term.
            ASSERT_EQ(Brightness(cued, i, p, 64), Brightness(plain, i, p, 64)) << sum << ' ' << i;
        }
    }
}

TEST_F(RayCastTest, SliceAlwaysStopsAtTheFirstSample) {
    Make(16);
    At(4, 4, 1) = 42;
    const RayResult r =
        CastRay(session, {4.5f, 4.5f, 0.0f}, {0, 0, 1}, {0, 0, -1}, 16, RenderType::Slice);
    EXPECT_EQ(r.value, 42u);
    EXPECT_EQ(r.depth, 1);
    const RayResult empty =
        CastRay(session, {4.5f, 4.5f, 5.0f}, {0, 0, 1}, {0, 0, -1}, 16, RenderType::Slice);
    EXPECT_EQ(empty.value, 0u);
    EXPECT_EQ(empty.depth, 1);
}

TEST_F(RayCastTest, TransparentWithThresholdZeroIsThePlainSum) {
    Make(16);
    session.settings.threshold = 0.0f;
    for (int z = 1; z < 16; ++z) At(4, 4, z) = static_cast<std::uint8_t>(z);
    const RayResult r =
        CastRay(session, {4.5f, 4.5f, 0.0f}, {0, 0, 1}, {0, 0, -1}, 16, RenderType::Transparent);
    EXPECT_EQ(r.value, 120u);  // 1 + ... + 15
    EXPECT_EQ(r.depth, 0);
}

TEST_F(RayCastTest, TransparentStopsOnceTheTransparencyIsUsedUp) {
    Make(16);
    session.settings.threshold = 1.0f;
    // A slab whose value grows with z: every slab sample has a gradient along the ray.
    for (int x = 0; x <= 16; ++x)
        for (int y = 0; y <= 16; ++y)
            for (int z = 5; z <= 16; ++z) At(x, y, z) = static_cast<std::uint8_t>(40 + 10 * z);
    const Point3 light{0, 0, -1};
    const RayResult r =
        CastRay(session, {4.5f, 4.5f, 0.0f}, {0, 0, 1}, light, 16, RenderType::Transparent);
    // z = 5 (step 4): G faces the light, w = 1, T = 1 - 1 = 0; T = 0 does not stop.
    // z = 6 (step 5): w = 1 again, T = -1. Step 6 stops: depth 7.
    EXPECT_EQ(r.depth, 7);
    EXPECT_GT(r.value, 0u);
}

TEST_F(RayCastTest, AnEmptyVolumeNeverHits) {
    for (RenderType type : {RenderType::Surface, RenderType::Transparent, RenderType::Slice}) {
        const RayResult r = CastRay(session, {1, 1, 1}, {0.3f, 0.3f, 0.9f}, {0, 0, -1}, 64, type);
        EXPECT_EQ(r.value, 0u);
    }
}

}  // namespace
}  // namespace calyra
