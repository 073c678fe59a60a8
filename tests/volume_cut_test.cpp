// Crop boxes and clip planes against a plain model of the rule: march every
// step, keep a sample only when its truncated cell lies in the box and its
// position on the kept side of the plane, read it from the uncut volume,
// and fold it by the type's rules. Skipping, lanes, tiles and threads must
// give the model's rays bit for bit.
#include "render/volume_cut.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/worker_pool.h"
#include "render/buffers.h"
#include "render/ray_cast.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "test_support.h"
#include "volume/models.h"

namespace calyra {
namespace {

using test::Store;

struct Cut {
    std::optional<CropBox> crop;
    std::optional<ClipPlane> clip;
};

// The rule as written: inside the volume's inside cells, the truncated cell
// in the box, d = N.(P - O) in float from left to right at least 0.
bool Kept(const VolumeStore& v, const Cut& cut, const Point3& p) {
    const bool inside = p.x >= 1.0f && p.y >= 1.0f && p.z >= 1.0f &&
                        p.x < static_cast<float>(v.dims.x) && p.y < static_cast<float>(v.dims.y) &&
                        p.z < static_cast<float>(v.dims.z);
    if (!inside) return false;
    const auto ix = static_cast<std::int32_t>(p.x), iy = static_cast<std::int32_t>(p.y),
               iz = static_cast<std::int32_t>(p.z);
    if (cut.crop) {
        const CropBox& b = *cut.crop;
        if (ix < b.x0 || ix > b.x1 || iy < b.y0 || iy > b.y1 || iz < b.z0 || iz > b.z1) {
            return false;
        }
    }
    if (cut.clip) {
        const Point3 o = cut.clip->origin, n = cut.clip->normal;
        const float dx = p.x - o.x, dy = p.y - o.y, dz = p.z - o.z;
        const float px = n.x * dx, py = n.y * dy, pz = n.z * dz;
        const float sum = px + py;
        if (!(sum + pz >= 0.0f)) return false;
    }
    return true;
}

struct Ray {
    std::uint32_t value = 0;
    std::int32_t depth = 0;
    bool operator==(const Ray&) const = default;
};
void PrintTo(const Ray& r, std::ostream* os) {
    *os << r.value << " at depth " << r.depth;
}

// One ray by the rules, every sample taken; plain is the same volume and
// settings without the cut.
Ray PlainRay(const Session& plain, const Cut& cut, Point3 p, const RayFrame& f, RenderType type) {
    const VolumeStore& v = plain.volume();
    const float threshold = plain.settings.threshold;
    const float hit = threshold * static_cast<float>(v.maxValue);
    const float shade = 0.1f * static_cast<float>(v.maxValue);
    std::uint32_t acc = 0, count = 0;
    std::uint64_t sum = 0;
    std::int32_t depth = 0;
    float t = 1.0f;
    for (std::int32_t i = 0; i < f.stepCount; ++i) {
        p = Point3{p.x + f.rayDir.x, p.y + f.rayDir.y, p.z + f.rayDir.z};
        const bool kept = Kept(v, cut, p);
        const std::uint32_t value = kept ? SampleVolume(plain, p) : 0u;
        const auto step = static_cast<std::uint32_t>(i);
        switch (type) {
            case RenderType::Surface:
                if (static_cast<float>(value) > hit) {
                    return {i < 2 ? value : DepthCuedBrightness(plain, step, p, f.stepCount),
                            i + 1};
                }
                break;
            case RenderType::Slice:
                return {value, i + 1};
            case RenderType::Transparent: {
                if (threshold == 0.0f) {
                    acc += value;
                    break;
                }
                if (t < 0.0f) return {acc, i + 1};
                if (!(static_cast<float>(value) > shade)) break;
                const Int3 g = VolumeGradient(plain, p);
                const auto g2 = static_cast<std::uint32_t>(
                    std::int64_t{g.x} * g.x + std::int64_t{g.y} * g.y + std::int64_t{g.z} * g.z);
                if (g2 == 0) break;
                const Point3 l = f.lightHalfway;
                const float dot = l.x * static_cast<float>(g.x) + l.y * static_cast<float>(g.y) +
                                  l.z * static_cast<float>(g.z);
                const float w = (1.0f - dot / std::sqrt(static_cast<float>(g2))) * 0.5f;
                const float brightness =
                    static_cast<float>(DepthCuedBrightness(plain, step, p, f.stepCount));
                const float add = brightness * t * w;
                if (add > -9.0e18f && add < 9.0e18f) {
                    acc += static_cast<std::uint32_t>(static_cast<std::int64_t>(add));
                }
                t = t - threshold * w;
                break;
            }
            case RenderType::Maximum:
            case RenderType::Minimum:
            case RenderType::Average: {
                if (!kept || !(static_cast<float>(value) > hit)) break;
                const bool beyond = type == RenderType::Maximum ? value > acc : value < acc;
                if (count == 0 || (type != RenderType::Average && beyond)) {
                    acc = value;
                    depth = i + 1;
                }
                sum += value;
                ++count;
                break;
            }
            case RenderType::Composite:  // cut in tests/composite_test.cpp
                break;
        }
    }
    if (type == RenderType::Average && count != 0) {
        return {static_cast<std::uint32_t>(sum / count), depth};
    }
    return {acc, depth};
}

struct CutCase {
    const char* label;
    std::optional<ModelType> model;  // none: a small noisy 24^3 volume
    RenderType type;
    bool interpolate;
    float threshold;
    Cut cut;
    float ay, ax;  // the plane's turn
};

// Calls ray(i, j, origin) for the rays x rows of the frame, in the order
// and with the origins of the render: two row steps in, then a row step
// per row, and a column step before each ray of a row.
template <typename RayAt>
void ForEachRay(const RayFrame& f, int rays, RayAt ray) {
    Point3 row = f.plane[0] + f.rowStep + f.rowStep;
    for (int j = 0; j < rays; ++j, row = row + f.rowStep) {
        Point3 origin = row;
        for (int i = 0; i < rays; ++i) {
            origin = origin + f.columnStep;
            if (!ray(i, j, origin)) return;
        }
    }
}

// Failures name the case.
void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.label;
}

class CutRenderTest : public test::CoreTest, public ::testing::WithParamInterface<CutCase> {
  protected:
    void SetUp() override {
        test::CoreTest::SetUp();
        const CutCase& c = GetParam();
        if (c.model) {
            BuildModel(session, *c.model);
        } else {
            test::FillSmallVolume(session, 24, 11u);
        }
        session.settings.interpolate = c.interpolate;
        session.settings.threshold = c.threshold;
        // The rays themselves, not the shading of their depths afterwards.
        session.settings.gradientShading = false;
        RotateViewPlane(session.orientation, c.ay, c.ax);
        plain.VoxelVolume = session.VoxelVolume;
        plain.settings = session.settings;
        session.settings.crop = c.cut.crop;
        session.settings.clip = c.cut.clip;
    }

    // The rays of the render in the buffers, ray (i, j) against the model;
    // how many of them the cut changes.
    int ExpectPlainRays(int rays, const char* how) {
        const CutCase& c = GetParam();
        const int r = c.interpolate ? 2 : 1;
        const RayFrame f =
            PrepareRayFrame(CurrentRenderInputs(session), session.volume().size, rays, rays);
        int changed = 0;
        ForEachRay(f, rays, [&](int i, int j, const Point3& origin) {
            const Ray want = PlainRay(plain, c.cut, origin, f, c.type);
            const int x = i * r, y = j * r;
            const Ray got{session.buffers.ImageAt(x, y), session.buffers.DepthAt(x, y)};
            if (got != want) {
                ADD_FAILURE() << how << " ray " << i << ", " << j << ": " << got.value << "/"
                              << got.depth << " for " << want.value << "/" << want.depth;
                return false;
            }
            changed += want != PlainRay(plain, Cut{}, origin, f, c.type);
            return true;
        });
        return changed;
    }

    Session plain;
};

TEST_P(CutRenderTest, EveryRayFollowsThePlainRule) {
    const CutCase& c = GetParam();
    // The head's 128 steps per ray are kept, with fewer rays per side.
    const int rays = c.model ? 40 : RaysPerSide(session);
    std::vector<test::RenderOutputs> outputs;
    for (const bool skipping : {true, false}) {
        for (const bool vectors : {true, false}) {
            session.emptySpaceSkipping = skipping;
            session.vectorRays = vectors;
            RenderImage(session, rays, rays, session.buffers.ImageBuffer.data(), c.type);
            const int changed =
                ExpectPlainRays(rays, skipping ? (vectors ? "skipping, vectors" : "skipping")
                                               : (vectors ? "vectors" : "every sample"));
            if (HasFailure()) return;
            // Every case cuts away something some ray would have shown.
            EXPECT_GT(changed, 0);
            outputs.push_back({session.buffers.ImageBuffer, session.buffers.DepthBuffer,
                               session.buffers.displayMax});
        }
    }
    for (const test::RenderOutputs& o : outputs) EXPECT_TRUE(o == outputs.front());
}

TEST_P(CutRenderTest, TheSameOnOneAndThreeThreads) {
    const int threads = WorkerThreads();
    SetWorkerThreads(1);
    const test::RenderOutputs one = test::RenderOutputsOf(session, GetParam().type);
    SetWorkerThreads(3);
    const test::RenderOutputs three = test::RenderOutputsOf(session, GetParam().type);
    SetWorkerThreads(threads);
    EXPECT_TRUE(one == three);
}

constexpr CropBox kUpperHalf{1, 128, 1, 128, 65, 128};  // the head's mirrored half
constexpr CropBox kMiddle{6, 19, 4, 20, 7, 18};
constexpr CropBox kSlab{1, 24, 1, 24, 12, 12};
constexpr CropBox kNothing{24, 24, 1, 24, 1, 24};  // cell 24 is never inside
const ClipPlane kTilted{{12.0f, 11.5f, 12.25f}, {0.3f, -0.7f, 0.2f}};
const ClipPlane kHeadTilted{{64.0f, 60.0f, 70.0f}, {-0.2f, 0.5f, 0.9f}};

INSTANTIATE_TEST_SUITE_P(
    Cuts, CutRenderTest,
    ::testing::Values(
        CutCase{"HeadSurfaceUpperHalf",
                ModelType::Head,
                RenderType::Surface,
                false,
                0.1f,
                {kUpperHalf, {}},
                0.5f,
                -0.35f},
        CutCase{"HeadTransparentUpperHalfClipped",
                ModelType::Head,
                RenderType::Transparent,
                true,
                0.3f,
                {kUpperHalf, kHeadTilted},
                -0.4f,
                0.3f},
        CutCase{"HeadMaximumClipped",
                ModelType::Head,
                RenderType::Maximum,
                true,
                0.05f,
                {{}, kHeadTilted},
                0.2f,
                0.6f},
        CutCase{"SurfaceMiddle", {}, RenderType::Surface, false, 0.2f, {kMiddle, {}}, 0.5f, -0.35f},
        CutCase{"SurfaceInterpClipped",
                {},
                RenderType::Surface,
                true,
                0.3f,
                {{}, kTilted},
                -1.1f,
                0.4f},
        CutCase{"TransparentMiddleClipped",
                {},
                RenderType::Transparent,
                false,
                0.25f,
                {kMiddle, kTilted},
                0.3f,
                0.2f},
        CutCase{"TransparentInterpMiddle",
                {},
                RenderType::Transparent,
                true,
                0.25f,
                {kMiddle, {}},
                0.7f,
                -0.2f},
        CutCase{
            "TransparentSumSlab", {}, RenderType::Transparent, true, 0.0f, {kSlab, {}}, 0.6f, 0.3f},
        CutCase{"TransparentSumClipped",
                {},
                RenderType::Transparent,
                false,
                0.0f,
                {kMiddle, kTilted},
                -0.5f,
                -0.5f},
        CutCase{"SliceMiddleClipped",
                {},
                RenderType::Slice,
                false,
                0.1f,
                {kMiddle, kTilted},
                0.0f,
                0.0f},
        CutCase{"MaximumMiddle", {}, RenderType::Maximum, true, 0.0f, {kMiddle, {}}, 0.5f, -0.35f},
        CutCase{"MinimumClipped", {}, RenderType::Minimum, false, 0.1f, {{}, kTilted}, 1.2f, 0.7f},
        CutCase{"AverageMiddleClipped",
                {},
                RenderType::Average,
                true,
                0.2f,
                {kMiddle, kTilted},
                -0.3f,
                0.9f},
        CutCase{
            "SurfaceEmptyBox", {}, RenderType::Surface, false, 0.1f, {kNothing, {}}, 0.2f, 0.1f},
        CutCase{"SliceEmptyBox", {}, RenderType::Slice, false, 0.1f, {kNothing, {}}, 0.0f, 0.0f},
        CutCase{
            "AverageEmptyBox", {}, RenderType::Average, true, 0.0f, {kNothing, {}}, 0.4f, 0.2f}),
    test::kByLabel);

using CutRuleTest = test::CoreTest;

// Samples and gradients: a cut position reads 0 and has no gradient; a kept
// one reads the uncut volume, whose neighbours past the cut still count.
TEST_F(CutRuleTest, ACutSampleReadsZeroAndHasNoGradient) {
    test::FillSmallVolume(session, 24, 11u);
    Session plain;
    plain.VoxelVolume = session.VoxelVolume;
    const Cut cut{kMiddle, kTilted};
    session.settings.crop = cut.crop;
    session.settings.clip = cut.clip;
    int keptCount = 0, cutCount = 0, edgeGradients = 0;
    for (const bool interpolate : {false, true}) {
        session.settings.interpolate = plain.settings.interpolate = interpolate;
        for (float x = 0.0f; x < 25.0f; x += 0.37f) {
            for (float y = 0.0f; y < 25.0f; y += 0.53f) {
                for (float z = 0.0f; z < 25.0f; z += 0.71f) {
                    const Point3 p{x, y, z};
                    const bool kept = Kept(session.volume(), cut, p);
                    const std::uint32_t value = SampleVolume(session, p);
                    const Int3 g = VolumeGradient(session, p), h = VolumeGradient(plain, p);
                    ASSERT_EQ(value, kept ? SampleVolume(plain, p) : 0u) << p;
                    ASSERT_EQ(g.x, kept ? h.x : 0) << p;
                    ASSERT_EQ(g.y, kept ? h.y : 0) << p;
                    ASSERT_EQ(g.z, kept ? h.z : 0) << p;
                    keptCount += kept;
                    cutCount += !kept;
                    // At the box's edge the gradient reads the voxels beyond it.
                    edgeGradients += kept && static_cast<int>(x) == kMiddle.x0 && h.x != 0;
                }
            }
        }
    }
    EXPECT_GT(keptCount, 1000);
    EXPECT_GT(cutCount, 1000);
    EXPECT_GT(edgeGradients, 0);
}

// The lookup's bounds from the box: x1 = dim keeps up to the last inside
// cell, a box past the last inside cell keeps nothing, no box keeps 1..dim-1.
TEST_F(CutRuleTest, TheBoxBecomesTheLookupsBounds) {
    const Int3 dims{10, 20, 30};
    struct Row {
        std::optional<CropBox> crop;
        Int3 first, end;
    };
    const Row rows[] = {
        {std::nullopt, {1, 1, 1}, {10, 20, 30}},
        {CropBox{1, 10, 1, 20, 1, 30}, {1, 1, 1}, {10, 20, 30}},
        {CropBox{3, 4, 5, 19, 30, 30}, {3, 5, 30}, {5, 20, 30}},
        {CropBox{10, 10, 20, 20, 1, 1}, {10, 20, 1}, {10, 20, 2}},
    };
    for (const Row& row : rows) {
        const SampleCut cut = MakeSampleCut(row.crop, std::nullopt, dims);
        auto triple = [](Int3 v) { return std::array{v.x, v.y, v.z}; };
        EXPECT_EQ(cut.active, row.crop.has_value());
        EXPECT_EQ(triple(cut.first), triple(row.first));
        EXPECT_EQ(triple(cut.end), triple(row.end));
        EXPECT_EQ(cut.low.x, static_cast<float>(row.first.x));
        EXPECT_EQ(cut.high.z, static_cast<float>(row.end.z));
    }
    EXPECT_TRUE(MakeSampleCut(std::nullopt, kTilted, dims).clip);
}

// Cut at ViewPlane: the plane's centre and target mapped as the render's
// frame maps them; panned out again and turned, the render keeps the cut
// where the plane stood, ray for ray as the plain rule says.
TEST_F(CutRuleTest, ACutAtThePlaneStaysWithTheVolume) {
    BuildModel(session, ModelType::Head);
    session.settings.gradientShading = false;
    for (int k = 0; k < 8; ++k) PanViewPlane(session.orientation, PanDirection::In);
    const RayFrame at = PrepareRayFrame(CurrentRenderInputs(session), session.volume().size, 8, 8);
    const std::optional<ClipPlane> plane =
        ClipAtViewPlane(session.orientation, session.volume().size);
    ASSERT_TRUE(plane.has_value());
    EXPECT_EQ(plane->origin, at.plane[4]);
    EXPECT_EQ(plane->normal, at.plane[5] - at.plane[4]);
    session.settings.clip = plane;
    for (int k = 0; k < 8; ++k) PanViewPlane(session.orientation, PanDirection::Out);
    RotateViewPlane(session.orientation, 0.7f, -0.4f);

    Session plain;
    plain.VoxelVolume = session.VoxelVolume;
    plain.settings = session.settings;
    plain.settings.clip.reset();
    const int rays = 48;
    RenderImage(session, rays, rays, session.buffers.ImageBuffer.data(), RenderType::Surface);
    const RayFrame f =
        PrepareRayFrame(CurrentRenderInputs(session), session.volume().size, rays, rays);
    int differ = 0;
    ForEachRay(f, rays, [&](int i, int j, const Point3& origin) {
        const Ray want = PlainRay(plain, Cut{{}, plane}, origin, f, RenderType::Surface);
        const Ray got{session.buffers.ImageAt(i, j), session.buffers.DepthAt(i, j)};
        EXPECT_EQ(got, want) << i << ", " << j;
        differ += want != PlainRay(plain, Cut{}, origin, f, RenderType::Surface);
        return got == want;
    });
    // The cut shows: some rays go deeper than they would uncut.
    EXPECT_GT(differ, rays);
}

}  // namespace
}  // namespace calyra
