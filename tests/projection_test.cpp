// The projections against a plain model of their rules: march every step,
// count the samples inside the volume above the threshold, keep the largest,
// the smallest or the mean, and where it was first met.
#include <cstdint>
#include <tuple>
#include <vector>

#include "render/buffers.h"
#include "render/ray_cast.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "test_support.h"
#include "volume/models.h"

namespace calyra {
namespace {

using test::Store;

struct Projected {
    std::uint32_t value = 0;
    std::int32_t depth = 0;
};

// One ray by the rules, every sample taken, nothing skipped.
Projected ModelRay(Session& session, Point3 p, const Point3& d, std::int32_t steps,
                   RenderType type) {
    const float level = session.settings.threshold * static_cast<float>(Store(session).maxValue);
    const Int3 dims = Store(session).dims;
    bool any = false;
    std::uint32_t best = 0;
    std::uint64_t sum = 0, count = 0;
    std::int32_t depth = 0;
    for (std::int32_t i = 0; i < steps; ++i) {
        p = Point3{p.x + d.x, p.y + d.y, p.z + d.z};
        const bool inside = p.x >= 1.0f && p.y >= 1.0f && p.z >= 1.0f &&
                            p.x < static_cast<float>(dims.x) && p.y < static_cast<float>(dims.y) &&
                            p.z < static_cast<float>(dims.z);
        if (!inside) continue;
        const std::uint32_t v = SampleVolume(session, p);
        if (!(static_cast<float>(v) > level)) continue;
        const bool better = type == RenderType::Maximum ? v > best : v < best;
        if (!any || (type != RenderType::Average && better)) {
            best = v;
            depth = i + 1;
        }
        any = true;
        sum += v;
        ++count;
    }
    if (!any) return {};
    if (type == RenderType::Average) return {static_cast<std::uint32_t>(sum / count), depth};
    return {best, depth};
}

// type, interpolation, threshold, mirrored, view turn (ay, ax).
using Case = std::tuple<RenderType, bool, float, bool, float, float>;

class ProjectionTest : public test::CoreTest, public ::testing::WithParamInterface<Case> {};

TEST_P(ProjectionTest, EveryRayFollowsThePlainRules) {
    const auto [type, interp, level, mirrored, ay, ax] = GetParam();
    test::FillSmallVolume(session, 18, 5u);
    Store(session).mirrorZ = mirrored ? 1 : 0;
    MarkVolumeChanged(Store(session));
    session.settings.interpolate = interp;
    session.settings.threshold = level;
    RotateViewPlane(session.orientation, ay, ax);
    const int rays = RaysPerSide(session);
    const int r = interp ? 2 : 1;
    for (bool skipping : {false, true}) {
        session.emptySpaceSkipping = skipping;
        RenderImage(session, rays, rays, session.buffers.ImageBuffer.data(), type);
        const RayFrame f =
            PrepareRayFrame(CurrentRenderInputs(session), session.volume().size, rays, rays);
        // Ray origins: two row steps in, then a row step per row; a column
        // step before each ray of the row.
        Point3 row = f.plane[0] + f.rowStep + f.rowStep;
        int counted = 0;
        for (int j = 0; j < rays; ++j, row = row + f.rowStep) {
            Point3 origin = row;
            for (int i = 0; i < rays; ++i) {
                origin = origin + f.columnStep;
                const Projected want = ModelRay(session, origin, f.rayDir, f.stepCount, type);
                const int x = i * r, y = j * r;
                ASSERT_EQ(session.buffers.ImageAt(x, y), want.value)
                    << i << ' ' << j << ' ' << skipping;
                ASSERT_EQ(session.buffers.DepthBuffer[x * kBufferSide + y], want.depth)
                    << i << ' ' << j;
                counted += want.depth != 0;
            }
        }
        // The views meet the volume, and miss it too.
        EXPECT_GT(counted, 0);
        EXPECT_LT(counted, rays * rays);
    }
    session.emptySpaceSkipping = true;
}

INSTANTIATE_TEST_SUITE_P(
    SmallVolumes, ProjectionTest,
    ::testing::Values(Case{RenderType::Maximum, false, 0.0f, false, 0.0f, 0.0f},
                      Case{RenderType::Maximum, true, 0.3f, true, 0.5f, -0.35f},
                      Case{RenderType::Maximum, true, 0.0f, false, -1.2f, 0.7f},
                      Case{RenderType::Minimum, false, 0.0f, true, 0.5f, -0.35f},
                      Case{RenderType::Minimum, true, 0.1f, false, -1.2f, 0.7f},
                      Case{RenderType::Minimum, true, 0.0f, true, 0.0f, 0.0f},
                      Case{RenderType::Average, false, 0.2f, false, 0.5f, -0.35f},
                      Case{RenderType::Average, true, 0.0f, true, -1.2f, 0.7f},
                      Case{RenderType::Average, true, 0.7f, false, 0.3f, 0.2f}));

using ProjectionRayTest = test::CoreTest;

// Along a straight line through known voxels: the first occurrence gives
// the depth, and a sample equal to the threshold level does not count.
TEST_F(ProjectionRayTest, DepthIsTheFirstOccurrenceAndTheLevelItselfDoesNotCount) {
    ASSERT_EQ(AllocateVolume(Store(session), 8, 8, 8), 1);
    PublishShape(Store(session), 8, 8, 8, 8);
    Store(session).mirrorZ = 0;
    const std::uint8_t line[8] = {0, 50, 100, 100, 20, 50, 20, 0};  // x = 1..8 at y = z = 4
    for (int x = 1; x <= 8; ++x) Store(session).voxels[x][4][4] = line[x - 1];
    Store(session).maxValue = 100;
    MarkVolumeChanged(Store(session));
    session.settings.threshold = 0.5f;  // level 50: the 50s do not count
    const Point3 start{0.5f, 4.5f, 4.5f}, step{1.0f, 0.0f, 0.0f};
    // Steps 1..7 sample x = 1.5 .. 7.5, voxels 1..7.
    const RayResult max = CastRay(session, start, step, Point3{}, 7, RenderType::Maximum);
    EXPECT_EQ(max.value, 100u);
    EXPECT_EQ(max.depth, 3);
    const RayResult min = CastRay(session, start, step, Point3{}, 7, RenderType::Minimum);
    EXPECT_EQ(min.value, 100u);
    EXPECT_EQ(min.depth, 3);
    session.settings.threshold = 0.1f;  // level 10: 50 100 100 20 50 20 count
    EXPECT_EQ(CastRay(session, start, step, Point3{}, 7, RenderType::Minimum).depth, 5);
    const RayResult mean = CastRay(session, start, step, Point3{}, 7, RenderType::Average);
    EXPECT_EQ(mean.value, (50u + 100 + 100 + 20 + 50 + 20) / 6);
    EXPECT_EQ(mean.depth, 2);
    session.settings.threshold = 1.0f;  // nothing counts
    EXPECT_EQ(CastRay(session, start, step, Point3{}, 7, RenderType::Average).value, 0u);
    EXPECT_EQ(CastRay(session, start, step, Point3{}, 7, RenderType::Maximum).depth, 0);
}

}  // namespace
}  // namespace calyra
