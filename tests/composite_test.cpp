// Composite renders against a plain model of the rule: march every step,
// read the fine value of the truncated (mirrored) cell or its trilinear sum
// with the weight table, look it up in the 4096-entry tables, shade it from
// the fine gradient and composite front to back in float. Skipping, tiles,
// previews and threads must give the model's image bit for bit.
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/worker_pool.h"
#include "render/buffers.h"
#include "render/image_passes.h"
#include "render/ray_driver.h"
#include "render/tf_tables.h"
#include "render/transfer_function_presets.h"
#include "render/user_settings.h"
#include "render/weights.h"
#include "test_support.h"
#include "volume/models.h"

namespace calyra {
namespace {

using test::Store;

// The fine value the model reads at p, or nothing where no sample counts.
struct Located {
    std::int32_t ix, iy, iz, fx, fy, fz;
    bool mirrored;
};
std::optional<Located> Locate(const VolumeStore& v, const UserSettings& s, const Point3& p,
                              bool gradient) {
    if (!(p.x >= 1.0f && p.y >= 1.0f && p.z >= 1.0f)) return std::nullopt;
    if (!(p.x < 1e9f && p.y < 1e9f && p.z < 1e9f)) return std::nullopt;
    Located c{static_cast<std::int32_t>(p.x),
              static_cast<std::int32_t>(p.y),
              static_cast<std::int32_t>(p.z),
              0,
              0,
              0,
              false};
    if (c.ix >= v.dims.x || c.iy >= v.dims.y || c.iz >= v.dims.z) return std::nullopt;
    if (s.crop) {
        const CropBox& b = *s.crop;
        if (c.ix < b.x0 || c.ix > b.x1 || c.iy < b.y0 || c.iy > b.y1 || c.iz < b.z0 || c.iz > b.z1)
            return std::nullopt;
    }
    if (s.clip) {
        const Point3 o = s.clip->origin, n = s.clip->normal;
        const float d = n.x * (p.x - o.x) + n.y * (p.y - o.y);
        if (!(d + n.z * (p.z - o.z) >= 0.0f)) return std::nullopt;
    }
    const std::int32_t half = v.dims.z / 2;
    const std::int32_t rawZ = c.iz;
    c.mirrored = v.mirrorZ && (gradient ? c.iz >= half : c.iz > half);
    if (c.mirrored) c.iz = v.dims.z - 1 - c.iz;
    if (s.interpolate) {
        c.fx = static_cast<std::int32_t>(2.0f * (p.x - static_cast<float>(c.ix)));
        c.fy = static_cast<std::int32_t>(2.0f * (p.y - static_cast<float>(c.iy)));
        c.fz = static_cast<std::int32_t>(2.0f * (p.z - static_cast<float>(rawZ)));
        if (c.mirrored) c.fz = 2 - c.fz;
    }
    return c;
}

std::int64_t Fine(const VolumeStore& v, std::int32_t x, std::int32_t y, std::int32_t z) {
    return v.FineRow(x, y)[z];
}

// The weighted sum of the cell's eight fine values for the entry (fx, fy, fz).
std::int64_t WeightedSum(const VolumeStore& v, const Located& c, int fx, int fy, int fz) {
    static constexpr int kOrder[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1},
                                         {1, 1, 0}, {0, 1, 1}, {1, 0, 1}, {1, 1, 1}};
    const std::int32_t* w = TrilinearWeights[(fx * 3 + fy) * 3 + fz];
    std::int64_t sum = 0;
    for (int k = 0; k < 8; ++k) {
        sum += w[k] * Fine(v, c.ix + kOrder[k][0], c.iy + kOrder[k][1], c.iz + kOrder[k][2]);
    }
    return sum;
}

std::uint32_t FineSample(const VolumeStore& v, const UserSettings& s, const Located& c) {
    if (!s.interpolate) return static_cast<std::uint32_t>(Fine(v, c.ix, c.iy, c.iz));
    return static_cast<std::uint32_t>(WeightedSum(v, c, c.fx, c.fy, c.fz)) / 8u;
}

std::array<std::int64_t, 3> FineGradient(const VolumeStore& v, const UserSettings& s,
                                         const Located& c) {
    if (!s.interpolate) {
        const std::int64_t below = c.iz >= 1 ? Fine(v, c.ix, c.iy, c.iz - 1) : 0;
        return {Fine(v, c.ix + 1, c.iy, c.iz) - Fine(v, c.ix - 1, c.iy, c.iz),
                Fine(v, c.ix, c.iy + 1, c.iz) - Fine(v, c.ix, c.iy - 1, c.iz),
                Fine(v, c.ix, c.iy, c.iz + 1) - below};
    }
    const std::int64_t s0 = WeightedSum(v, c, c.fx, c.fy, c.fz);
    const std::int64_t sx = WeightedSum(v, c, c.fx + 1, c.fy, c.fz);
    const std::int64_t sy = WeightedSum(v, c, c.fx, c.fy + 1, c.fz);
    if (c.mirrored) return {sx - s0, sy - s0, s0 - WeightedSum(v, c, c.fx, c.fy, c.fz - 1)};
    return {sx - s0, sy - s0, WeightedSum(v, c, c.fx, c.fy, c.fz + 1) - s0};
}

struct Rgb {
    std::uint32_t r = 0, g = 0, b = 0;
    std::int32_t depth = 0;
};

Rgb ModelRay(const VolumeStore& v, const UserSettings& s, const TfTables& t, Point3 p,
             const RayFrame& f) {
    float tr = 1.0f, cr = 0.0f, cg = 0.0f, cb = 0.0f;
    Rgb out;
    const bool shade = s.gradientShading && t.shading;
    for (std::int32_t i = 0; i < f.stepCount; ++i) {
        p = Point3{p.x + f.rayDir.x, p.y + f.rayDir.y, p.z + f.rayDir.z};
        const std::optional<Located> c = Locate(v, s, p, false);
        if (!c) continue;
        const std::uint32_t e = FineSample(v, s, *c) >> 4;
        const float a = t.opacity[e];
        if (a == 0.0f) continue;
        if (out.depth == 0) out.depth = i + 1;
        float sh = 1.0f;
        if (shade) {
            const std::optional<Located> gc = Locate(v, s, p, true);
            const std::array<std::int64_t, 3> g =
                gc ? FineGradient(v, s, *gc) : std::array<std::int64_t, 3>{};
            const std::int64_t g2 = g[0] * g[0] + g[1] * g[1] + g[2] * g[2];
            float w = 0.5f;
            if (g2 != 0) {
                const Point3 l = f.lightHalfway;
                const float dot = l.x * static_cast<float>(g[0]) + l.y * static_cast<float>(g[1]) +
                                  l.z * static_cast<float>(g[2]);
                w = (1.0f - dot / std::sqrt(static_cast<float>(g2))) * 0.5f;
            }
            float wp = w;
            for (int k = 1; k < t.p; ++k) wp = wp * w;
            sh = t.ka + t.kd * w + t.ks * wp;
        }
        const float q = tr * a;
        cr = cr + q * (t.colour[e][0] * sh);
        cg = cg + q * (t.colour[e][1] * sh);
        cb = cb + q * (t.colour[e][2] * sh);
        tr = tr * (1.0f - a);
        if (tr < 1.0f / 256.0f) break;
    }
    auto component = [](float c) {
        const float scaled = std::min(255.0f, c * 255.0f);
        return scaled > 0.0f ? static_cast<std::uint32_t>(scaled) : 0u;
    };
    out.r = component(cr);
    out.g = component(cg);
    out.b = component(cb);
    return out;
}

// A CT-like volume: air, a body of soft tissue with noise, a bone ring, in
// fine values over -1024..3071 HU.
void FillCtLike(Session& session, int n) {
    VolumeStore& v = test::NewStore(session);
    ASSERT_EQ(AllocateVolume(v, n, n, n), 1);
    PublishShape(v, n, n, n, n);
    std::uint32_t state = 7u;
    auto noise = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) % 400);
    };
    for (int x = 0; x <= n; ++x)
        for (int y = 0; y <= n; ++y)
            for (int z = 0; z <= n; ++z) {
                const int cx = x - n / 2, cy = y - n / 2;
                const int r2 = cx * cx + cy * cy;
                int hu = -1000;
                if (r2 < n * n / 6) hu = 40 + noise() - 200;
                if (r2 < n * n / 10 && r2 > n * n / 14) hu = 900 + noise();
                const auto f = static_cast<std::uint16_t>((hu + 1024) * 65535 / 4095);
                v.FineRow(x, y)[z] = f;
                v.voxels[x][y][z] = static_cast<std::uint8_t>(f >> 8);
            }
    v.maxValue = 255;
    v.mapping = {-1024.0, 3071.0, "HU", true};
    MarkVolumeChanged(v);
}

struct CompositeCase {
    const char* label;
    std::optional<ModelType> model;  // none: the CT-like volume
    const char* preset;
    bool interpolate;
    bool shading;    // gradient shading
    bool tfShading;  // the function's own
    float ay, ax;
    std::optional<CropBox> crop;
    std::optional<ClipPlane> clip;
};
void PrintTo(const CompositeCase& c, std::ostream* os) {
    *os << c.label;
}

class CompositeRenderTest : public test::CoreTest,
                            public ::testing::WithParamInterface<CompositeCase> {
  protected:
    void SetUp() override {
        test::CoreTest::SetUp();
        const CompositeCase& c = GetParam();
        if (c.model) {
            BuildModel(session, *c.model);
        } else {
            FillCtLike(session, 40);
        }
        UserSettings& s = session.settings;
        s.renderType = RenderType::Composite;
        s.interpolate = c.interpolate;
        s.gradientShading = c.shading;
        const ValueMapping& m = session.volume().mapping;
        s.transferFunction = *PresetTransferFunction(c.preset, m.lo, m.hi);
        if (!c.tfShading) s.transferFunction.shading.on = false;
        s.crop = c.crop;
        s.clip = c.clip;
        RotateViewPlane(session.orientation, c.ay, c.ax);
    }

    // The model's buffers: the rays at multiples of r, the gaps filled per
    // component as every image's are.
    test::RenderOutputs Model() {
        const UserSettings& s = session.settings;
        const VolumeStore& v = session.volume();
        const int rays = RaysPerSide(session), r = s.interpolate ? 2 : 1;
        const RayFrame f = PrepareRayFrame(CurrentRenderInputs(session), v.size, rays, rays);
        TfTables t;
        BuildTfTables(s.transferFunction, v.mapping.lo, v.mapping.hi, s.interpolate, t);
        test::RenderOutputs out{std::vector<std::uint32_t>(3 * kBufferPixels),
                                std::vector<std::int32_t>(kBufferPixels), 255};
        Point3 row = f.plane[0] + f.rowStep + f.rowStep;
        for (int j = 0; j < rays; ++j, row = row + f.rowStep) {
            Point3 origin = row;
            for (int i = 0; i < rays; ++i) {
                origin = origin + f.columnStep;
                const Rgb ray = ModelRay(v, s, t, origin, f);
                const std::size_t at = static_cast<std::size_t>(i * r) * kBufferSide + j * r;
                out.image[3 * at] = ray.r;
                out.image[3 * at + 1] = ray.g;
                out.image[3 * at + 2] = ray.b;
                out.depth[at] = ray.depth;
            }
        }
        for (int k = 0; k < 3 && r > 1; ++k) {
            // Each component as a grey image of its own.
            std::vector<std::uint32_t> grey(3 * kBufferPixels);
            for (std::size_t at = 0; at < kBufferPixels; ++at) grey[3 * at] = out.image[3 * at + k];
            FillImageGaps(grey.data(), rays, rays, r);
            for (std::size_t at = 0; at < kBufferPixels; ++at) out.image[3 * at + k] = grey[3 * at];
        }
        return out;
    }
};

TEST_P(CompositeRenderTest, EqualsThePlainMarchWithAndWithoutSkippingOnAnyThreads) {
    const test::RenderOutputs want = Model();
    std::size_t lit = 0;
    for (std::size_t k = 0; k < want.image.size(); ++k) lit += want.image[k] != 0;
    // Every case shows something, so that an empty image cannot pass.
    EXPECT_GT(lit, 100u);

    for (const int threads : {1, 3}) {
        for (const bool skip : {true, false}) {
            SetWorkerThreads(threads);
            session.emptySpaceSkipping = skip;
            const test::RenderOutputs got = test::RenderOutputsOf(session, RenderType::Composite);
            EXPECT_EQ(got.max, 255);
            EXPECT_TRUE(session.buffers.rgb);
            std::size_t differ = 0;
            for (std::size_t k = 0; k < want.image.size(); ++k)
                differ += got.image[k] != want.image[k];
            for (std::size_t k = 0; k < want.depth.size(); ++k)
                differ += got.depth[k] != want.depth[k];
            EXPECT_EQ(differ, 0u) << threads << " threads, skipping " << skip;
        }
    }
    SetWorkerThreads(0);
}

TEST_P(CompositeRenderTest, APreviewCastsTheSameRaysAsTheWholeImage) {
    const int rays = RaysPerSide(session);
    const test::RenderOutputs whole = test::RenderOutputsOf(session, RenderType::Composite);
    std::vector<std::uint32_t> image(3 * kBufferPixels);
    std::vector<std::int32_t> depth(kBufferPixels);
    RenderOutput out{image.data(), depth.data()};
    RenderControl control;
    control.stride = 4;
    ASSERT_TRUE(RenderFrame(session.volume(), CurrentRenderInputs(session), rays, rays, out,
                            session.renderScratch, control));
    const int r = session.settings.interpolate ? 2 : 1;
    for (int x = 0; x < rays * r; x += 4 * r) {
        for (int y = 0; y < rays * r; y += 4 * r) {
            const std::size_t at = static_cast<std::size_t>(x) * kBufferSide + y;
            for (int k = 0; k < 3; ++k) ASSERT_EQ(image[3 * at + k], whole.image[3 * at + k]);
            // The block takes the ray's colour.
            const std::size_t inside = at + kBufferSide + 1;
            for (int k = 0; k < 3; ++k) ASSERT_EQ(image[3 * inside + k], image[3 * at + k]);
        }
    }
}

const CompositeCase kCases[] = {
    {"ball_ramp", ModelType::Ball, "ramp", false, true, true, 0, 0, {}, {}},
    {"head_ramp_turned", ModelType::Head, "ramp", false, true, true, 25, -15, {}, {}},
    {"head_interp_mirror", ModelType::Head, "mr-default", true, true, true, 10, 20, {}, {}},
    {"cone_pet_hot_unshaded", ModelType::Cone, "pet-hot", false, true, false, -30, 10, {}, {}},
    {"monkey_no_gradient_shading", ModelType::Monkey, "ramp", true, false, true, 40, 5, {}, {}},
    {"ct_bone", std::nullopt, "ct-bone", false, true, true, 20, -30, {}, {}},
    {"ct_bone_interp", std::nullopt, "ct-bone", true, true, true, -15, 25, {}, {}},
    {"ct_soft_tissue", std::nullopt, "ct-soft-tissue", false, true, true, 35, 35, {}, {}},
    {"ct_cropped_clipped", std::nullopt, "ct-bone", false, true, true, 30, -10,
     CropBox{5, 30, 8, 36, 3, 25}, ClipPlane{{20, 20, 20}, {1, 0.5f, -0.25f}}},
    {"head_upper_half_cropped", ModelType::Head, "ramp", true, true, true, 15, 15,
     CropBox{1, 128, 1, 128, 65, 127}, std::nullopt},
};
INSTANTIATE_TEST_SUITE_P(Cases, CompositeRenderTest, ::testing::ValuesIn(kCases), test::kByLabel);

// An opacity step: the bricks whose values all lie below it are passed over,
// those that reach it are not, however few of their samples do.
using CompositeSkippingTest = test::CoreTest;

TEST_F(CompositeSkippingTest, KeepsTheSamplesOfABrickThatReachesAnOpaqueEntry) {
    test::FillSmallVolume(session, 32, 5u);
    session.settings.renderType = RenderType::Composite;
    TransferFunction& tf = session.settings.transferFunction;
    // Opaque only from byte 150 up (fine 257 x 150 = entry 2408).
    tf.opacity = {{149.9, 0.0}, {150.0, 0.8}, {255.0, 0.8}};
    tf.colour = {{0.0, 1.0, 0.5, 0.25}};
    tf.preset.clear();
    for (const bool interpolate : {false, true}) {
        session.settings.interpolate = interpolate;
        RotateViewPlane(session.orientation, 17, 9);
        session.emptySpaceSkipping = false;
        const test::RenderOutputs plain = test::RenderOutputsOf(session, RenderType::Composite);
        session.emptySpaceSkipping = true;
        EXPECT_EQ(test::RenderOutputsOf(session, RenderType::Composite), plain) << interpolate;
        std::size_t lit = 0;
        for (std::uint32_t v : plain.image) lit += v != 0;
        EXPECT_GT(lit, 0u);
    }
}

}  // namespace
}  // namespace calyra
