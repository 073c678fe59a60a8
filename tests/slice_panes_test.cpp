// The slice panes: which voxel each pixel shows, the cursor's limits, the
// side-by-side strip, and the plane snapped through the cursor.
#include "render/slice_panes.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "render/ray_cast.h"
#include "tests/test_support.h"

namespace calyra {
namespace {

using test::Store;

bool Same(Int3 a, Int3 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// A store whose every voxel, padding included, holds its own code, so a
// swapped or flipped axis shows at once.
std::uint8_t Code(int x, int y, int z, Int3 d) {
    return static_cast<std::uint8_t>(1 + x + (d.x + 1) * (y + (d.y + 1) * z));
}
void FillCoded(Session& session, Int3 d, std::int32_t size, std::int32_t mirror) {
    ASSERT_EQ(AllocateVolume(Store(session), d.x, d.y, d.z), 1);
    for (int x = 0; x <= d.x; ++x)
        for (int y = 0; y <= d.y; ++y)
            for (int z = 0; z <= d.z; ++z) Store(session).voxels[x][y][z] = Code(x, y, z, d);
    PublishShape(Store(session), d.x, d.y, d.z, size);
    Store(session).mirrorZ = mirror;
    FineFromBytes(Store(session));
    MarkVolumeChanged(Store(session));
}

// The stored slice a pane shows for slice z: the upper half of a mirrored
// store folds onto the lower.
int StoredZ(int z, Int3 d, bool mirror) {
    return mirror && z > d.z / 2 ? d.z - 1 - z : z;
}

constexpr Int3 kDims{4, 6, 5};  // 5 x 7 x 6 stored voxels: under 256 codes

// A pane and a flag (mirrored, or a turned world), from a clean state.
class PaneTest : public test::CoreTest,
                 public ::testing::WithParamInterface<std::tuple<SlicePane, bool>> {};

// Every pane, each with the flag off and on.
auto EveryPaneBothWays() {
    return ::testing::Combine(::testing::ValuesIn(kSlicePanes), ::testing::Bool());
}

class PaneVoxels : public PaneTest {};

TEST_P(PaneVoxels, EachPixelShowsTheVoxelItsPaneNames) {
    const auto [pane, mirror] = GetParam();
    FillCoded(session, kDims, 8, mirror ? 1 : 0);
    for (const Int3 cursor : {Int3{1, 1, 1}, Int3{4, 2, 3}, Int3{2, 6, 4}, Int3{3, 5, 5}}) {
        const PaneSize size = SlicePaneSize(pane, kDims);
        const std::vector<std::uint8_t> values = PaneValues(session.volume(), pane, cursor);
        ASSERT_EQ(values.size(), static_cast<std::size_t>(size.width * size.height));
        for (int row = 0; row < size.height; ++row) {
            for (int column = 0; column < size.width; ++column) {
                int x = cursor.x, y = cursor.y, z = cursor.z;
                if (pane == SlicePane::Axial) x = column + 1, y = row + 1;
                if (pane == SlicePane::Coronal) x = column + 1, z = row + 1;
                if (pane == SlicePane::Sagittal) y = column + 1, z = row + 1;
                const int stored = StoredZ(z, kDims, mirror);
                const std::uint8_t expected = stored >= 0 ? Code(x, y, stored, kDims) : 0;
                ASSERT_EQ(values[static_cast<std::size_t>(row * size.width + column)], expected)
                    << SlicePaneName(pane) << " column " << column << " row " << row;
            }
        }
    }
}

TEST_P(PaneVoxels, InsideTheBoxAPixelIsWhatTheRendererSamplesThere) {
    const auto [pane, mirror] = GetParam();
    FillCoded(session, kDims, 8, mirror ? 1 : 0);
    // Voxel centres strictly inside, where the renderer reads the store.
    for (int x = 1; x < kDims.x; ++x)
        for (int y = 1; y < kDims.y; ++y)
            for (int z = 1; z < kDims.z; ++z) {
                const Int3 cursor{x, y, z};
                const PanePixel at = PanePixelOfCursor(pane, cursor);
                const PaneSize size = SlicePaneSize(pane, kDims);
                const std::uint8_t shown =
                    PaneValues(session.volume(), pane,
                               cursor)[static_cast<std::size_t>(at.row * size.width + at.column)];
                const Point3 centre{x + 0.5f, y + 0.5f, z + 0.5f};
                ASSERT_EQ(shown, SampleVolume(session, centre)) << x << " " << y << " " << z;
            }
}

INSTANTIATE_TEST_SUITE_P(SlicePanes, PaneVoxels, EveryPaneBothWays());

TEST(SlicePanes, AMirroredTopSliceHasNoStoredImageAndShowsBlack) {
    Session session;
    FillCoded(session, kDims, 8, 1);
    EXPECT_EQ(SliceVoxel(session.volume(), 2, 2, kDims.z), 0);
    EXPECT_EQ(SliceVoxel(session.volume(), 2, 2, kDims.z - 1), Code(2, 2, 0, kDims));
    EXPECT_EQ(SliceVoxel(session.volume(), -1, 2, 2), 0);
    EXPECT_EQ(SliceVoxel(session.volume(), 2, kDims.y + 1, 2), 0);
}

TEST(SlicePanes, WithoutAStoreThePanesAreEmpty) {
    Session session;
    for (SlicePane pane : kSlicePanes)
        EXPECT_TRUE(PaneValues(session.volume(), pane, {1, 1, 1}).empty());
    const SliceStrip strip = MakeSliceStrip(session.volume(), session.settings, {1, 1, 1});
    EXPECT_EQ(strip.width, 0);
    EXPECT_EQ(strip.height, 0);
}

struct CursorCase {
    const char* label;
    Int3 dims;
    Int3 centre;
};

class CursorLimits : public ::testing::TestWithParam<CursorCase> {};

TEST_P(CursorLimits, StartsAtTheCentreAndStaysInsideOneToDim) {
    const CursorCase& c = GetParam();
    EXPECT_TRUE(Same(CentreCursor(c.dims), c.centre));
    const Int3 d = c.dims;
    const Int3 top{std::max(d.x, 1), std::max(d.y, 1), std::max(d.z, 1)};
    EXPECT_TRUE(Same(ClampCursor({0, -5, -2147483647 - 1}, d), (Int3{1, 1, 1})));
    EXPECT_TRUE(Same(ClampCursor({d.x + 1, d.y + 100, 2147483647}, d), top));
    // Clicks beyond a pane's edges land on its edge voxels.
    for (SlicePane pane : kSlicePanes) {
        const Int3 low = CursorAtPanePixel(pane, c.centre, -3, -2147483647, d);
        const Int3 high = CursorAtPanePixel(pane, c.centre, 2147483647, 100000, d);
        EXPECT_EQ(PaneSlice(pane, low), PaneSlice(pane, c.centre)) << SlicePaneName(pane);
        EXPECT_EQ(PanePixelOfCursor(pane, low).column, 0);
        EXPECT_EQ(PanePixelOfCursor(pane, low).row, 0);
        const PaneSize size = SlicePaneSize(pane, d);
        if (size.width > 0 && size.height > 0) {
            EXPECT_EQ(PanePixelOfCursor(pane, high).column, size.width - 1);
            EXPECT_EQ(PanePixelOfCursor(pane, high).row, size.height - 1);
        }
        // Stepping a slice past either end stops at the end.
        EXPECT_EQ(PaneSlice(pane, WithPaneSlice(pane, c.centre, -10, d)), 1);
        EXPECT_EQ(PaneSlice(pane, WithPaneSlice(pane, c.centre, 100000, d)), PaneSlice(pane, top));
    }
}

INSTANTIATE_TEST_SUITE_P(SlicePanes, CursorLimits,
                         ::testing::Values(CursorCase{"Scan", {256, 256, 64}, {128, 128, 32}},
                                           CursorCase{"Odd", {5, 7, 3}, {3, 4, 2}},
                                           CursorCase{"Thin", {1, 2, 9}, {1, 1, 5}},
                                           CursorCase{"Empty", {0, 0, 0}, {1, 1, 1}}),
                         test::kByLabel);

TEST(SlicePanes, TheStripPutsThePanesSideBySideTopAlignedOnBlack) {
    Session session;
    FillCoded(session, kDims, 8, 0);
    const Int3 cursor{2, 3, 4};
    const SliceStrip strip = MakeSliceStrip(session.volume(), session.settings, cursor);
    // Axial 4 x 6, coronal 4 x 5, sagittal 6 x 5, no gaps.
    ASSERT_EQ(strip.width, 4 + 4 + 6);
    ASSERT_EQ(strip.height, 6);
    ASSERT_EQ(strip.rgb.size(), static_cast<std::size_t>(3 * 14 * 6));
    auto pixel = [&](int x, int y) {
        const std::uint8_t* p = strip.rgb.data() + 3 * (y * strip.width + x);
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << " " << y;
        return p[0];
    };
    EXPECT_EQ(pixel(0, 0), Code(1, 1, 4, kDims));
    EXPECT_EQ(pixel(3, 5), Code(4, 6, 4, kDims));
    EXPECT_EQ(pixel(4, 0), Code(1, 3, 1, kDims));
    EXPECT_EQ(pixel(7, 4), Code(4, 3, 5, kDims));
    EXPECT_EQ(pixel(8, 0), Code(2, 1, 1, kDims));
    EXPECT_EQ(pixel(13, 4), Code(2, 6, 5, kDims));
    // The shorter panes end above the strip's last row, which is black there.
    for (int x = 4; x < 14; ++x) EXPECT_EQ(pixel(x, 5), 0) << x;
}

TEST(SlicePanes, TheCursorMarkSitsAtTheVoxelCentreInTheBox) {
    Session session;
    FillCoded(session, kDims, 8, 0);
    const Point3 p = CursorScenePoint(session.orientation, session.volume().size, {0, 4, 8});
    EXPECT_FLOAT_EQ(p.x, -0.5f + 0.5f / 8);
    EXPECT_FLOAT_EQ(p.y, 0.0f + 0.5f / 8);
    EXPECT_FLOAT_EQ(p.z, 0.5f + 0.5f / 8);
}

// After the snap a Slice render shows the cursor's slice and nothing else:
// every lit cell's code names a voxel of that slice. The rays start two rows
// in, so all of the slice but its first row along the plane's down edge is
// seen.
class SnapToCursor : public PaneTest {};

TEST_P(SnapToCursor, ASliceRenderThenShowsTheCursorsSliceOfItsPane) {
    const auto [pane, turnedWorld] = GetParam();
    const Int3 dims{7, 9, 4};  // codes below 256: 8 x 10 x 5 voxels
    FillCoded(session, dims, 10, 0);
    if (turnedWorld) SnapWorld(session.orientation, Face::Top);
    const Int3 cursor{5, 3, 2};
    SnapViewPlaneToCursor(session, pane, cursor);
    EXPECT_TRUE(session.renderPending);
    RenderImage(session, 10, 10, session.buffers.ImageBuffer.data(), RenderType::Slice);

    std::set<std::uint32_t> seen;
    for (int j = 0; j < 10; ++j)
        for (int i = 0; i < 10; ++i)
            if (const std::uint32_t v = session.buffers.ImageAt(i, j)) seen.insert(v);
    std::set<std::uint32_t> slice;
    for (int a = 1; a < dims.x; ++a)
        for (int b = 1; b < dims.y; ++b)
            for (int c = 1; c < dims.z; ++c) {
                const Int3 v{a, b, c};
                if (PaneSlice(pane, v) == PaneSlice(pane, cursor)) {
                    slice.insert(Code(a, b, c, dims));
                }
            }
    for (std::uint32_t code : seen) EXPECT_EQ(slice.count(code), 1u) << code;
    EXPECT_GE(seen.size(), slice.size() * 2 / 3) << SlicePaneName(pane);
}

TEST_P(SnapToCursor, WithInterpolationTheFirstSamplesStayInTheSlice) {
    const auto [pane, turnedWorld] = GetParam();
    const Int3 d{6, 6, 6};
    ASSERT_EQ(AllocateVolume(Store(session), d.x, d.y, d.z), 1);
    // Inside voxels hold 20 x their index along the pane's normal.
    for (int x = 1; x < d.x; ++x)
        for (int y = 1; y < d.y; ++y)
            for (int z = 1; z < d.z; ++z)
                Store(session).voxels[x][y][z] =
                    static_cast<std::uint8_t>(20 * PaneSlice(pane, Int3{x, y, z}));
    PublishShape(Store(session), d.x, d.y, d.z, 6);
    Store(session).mirrorZ = 0;
    MarkVolumeChanged(Store(session));
    session.settings.interpolate = true;
    if (turnedWorld) SnapWorld(session.orientation, Face::Top);
    SnapViewPlaneToCursor(session, pane, {3, 3, 3});
    RenderImage(session, 12, 12, session.buffers.ImageBuffer.data(), RenderType::Slice);
    // A sample blending in the next slice would pass 60, one in the
    // slice before would never reach it.
    std::uint32_t most = 0;
    for (int j = 0; j < 24; ++j)
        for (int i = 0; i < 24; ++i) most = std::max(most, session.buffers.ImageAt(i, j));
    EXPECT_EQ(most, 60u) << SlicePaneName(pane);
}

INSTANTIATE_TEST_SUITE_P(SlicePanes, SnapToCursor, EveryPaneBothWays());

}  // namespace
}  // namespace calyra
