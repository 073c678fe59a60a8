// Fine values as the slice views show them: the models' fine store, the
// slice window's greys and drag, and the readout of a voxel.
#include <cmath>
#include <filesystem>
#include <limits>

#include "base/worker_pool.h"
#include "render/slice_panes.h"
#include "render/window_level.h"
#include "tests/test_support.h"
#include "volume/file_open.h"
#include "volume/fine_histogram.h"

namespace calyra {
namespace {

using test::Store;

// The head is read from the build's folder; every model's fine value is 257
// x its stored byte wherever a reader looks (index 0 and the edges included).
TEST(FineStore, EveryModelKeepsTwoHundredFiftySevenTimesItsBytes) {
    const std::vector<std::string> saved = DataSearchPath();
    SetDataSearchPath({std::filesystem::path(CALYRA_HEAD_FILE).parent_path().string()});
    for (const ModelName& model : BuiltInModels()) {
        Session session;
        BuildModel(session, model.value);
        const VolumeStore& v = session.volume();
        ASSERT_GT(v.dims.x, 0) << model.name;
        EXPECT_EQ(v.mapping, (ValueMapping{0.0, 255.0, "", true})) << model.name;
        std::size_t wrong = 0;
        for (int x = 0; x <= v.dims.x; ++x)
            for (int y = 0; y <= v.dims.y; ++y)
                for (int z = 0; z <= v.dims.z; ++z)
                    wrong += v.FineRow(x, y)[z] != 257 * v.voxels[x][y][z];
        EXPECT_EQ(wrong, 0u) << model.name;
        // The start window shows every stored byte as it is.
        EXPECT_EQ(session.settings.sliceWindow, StartSliceWindow(v.mapping));
        const Int3 centre = CentreCursor(v.dims);
        for (SlicePane pane : kSlicePanes) {
            EXPECT_EQ(PaneGreys(v, session.settings.sliceWindow, pane, centre),
                      PaneValues(v, pane, centre))
                << model.name << " " << SlicePaneName(pane);
        }
    }
    SetDataSearchPath(saved);
}

struct GreyCase {
    const char* label;
    WindowLevel window;
    double value;
    int grey;
};

class WindowGreys : public ::testing::TestWithParam<GreyCase> {};

TEST_P(WindowGreys, FollowTheFormula) {
    const GreyCase& c = GetParam();
    EXPECT_EQ(WindowGrey(c.value, c.window), c.grey);
}

constexpr WindowLevel kBrain{40.0, 80.0};
constexpr double kHuge = std::numeric_limits<double>::max();
INSTANTIATE_TEST_SUITE_P(
    SliceWindow, WindowGreys,
    ::testing::Values(
        GreyCase{"AtTheLowEdge", kBrain, 0.0, 0}, GreyCase{"BelowIt", kBrain, -1000.0, 0},
        GreyCase{"JustInside", kBrain, 0.3, 0},
        GreyCase{"OneGreyStep", kBrain, 80.0 / 255.0 + 1e-9, 1},
        GreyCase{"TheLevel", kBrain, 40.0, 127}, GreyCase{"JustBelowTheTop", kBrain, 79.99, 254},
        GreyCase{"AtTheHighEdge", kBrain, 80.0, 255}, GreyCase{"AboveIt", kBrain, 3071.0, 255},
        // Truncation, not rounding: (10 - 0) x 255 / 80 = 31.875.
        GreyCase{"Truncates", kBrain, 10.0, 31},
        // (-1000 - (-1350)) x 255 / 1500 = 59.5.
        GreyCase{"Lung", {-600.0, 1500.0}, -1000.0, 59},
        GreyCase{"NotANumber", kBrain, std::nan(""), 0},
        // A window past the doubles' range still gives a grey.
        GreyCase{"HugeWindow", {kHuge, kHuge}, kHuge * 0.75, 255}),
    test::kByLabel);

TEST(SliceWindow, StartsOnTheWholeRangeAndDragsInSteps) {
    const ValueMapping ct{-1024.0, 3071.0, "HU", true};
    const WindowLevel start = StartSliceWindow(ct);
    EXPECT_EQ(start, (WindowLevel{1023.5, 4095.0}));
    EXPECT_EQ(StartSliceWindow({5.0, 5.0, "", true}), (WindowLevel{5.0, 1.0}));
    // Each pixel right widens, each pixel up raises, by (hi - lo) / 512.
    const double step = 4095.0 / 512.0;
    EXPECT_EQ(DraggedWindow(kBrain, ct, 10, 0), (WindowLevel{40.0, 80.0 + 10 * step}));
    EXPECT_EQ(DraggedWindow(kBrain, ct, 0, -3), (WindowLevel{40.0 - 3 * step, 80.0}));
    // Never narrower than a fine step.
    EXPECT_EQ(DraggedWindow(kBrain, ct, -1000, 0).width, 4095.0 / 65535.0);
    EXPECT_EQ(DraggedWindow({0.0, 1e-9}, {0.0, 1e-9, "", false}, -1000, 0).width, 1e-6);
    // A drag that would leave the doubles keeps the window it started from.
    const WindowLevel wide{0.0, kHuge};
    EXPECT_EQ(DraggedWindow(wide, {-kHuge / 2, kHuge / 2, "", false}, 600, 0), wide);
}

struct ReadoutCase {
    const char* label;
    ValueMapping mapping;
    std::uint16_t fine;
    const char* text;
};

class Readouts : public ::testing::TestWithParam<ReadoutCase> {};

TEST_P(Readouts, ShowTheByteAndTheFileValue) {
    const ReadoutCase& c = GetParam();
    Session session;
    VolumeStore& v = test::NewStore(session);
    ASSERT_EQ(AllocateVolume(v, 3, 3, 3), 1);
    PublishShape(v, 3, 3, 3, 3);
    v.voxels[2][3][1] = 77;
    v.FineRow(2, 3)[1] = c.fine;
    v.mapping = c.mapping;
    EXPECT_EQ(VoxelReadout(v, {2, 3, 1}), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    SliceViews, Readouts,
    ::testing::Values(
        // F(32767) = -1024 + 32767 x 4095 / 65535 = 1023.4375...: 1023.
        ReadoutCase{"WholeHounsfieldUnits",
                    {-1024.0, 3071.0, "HU", true},
                    32767,
                    "(2, 3, 1) = 77   1023 HU"},
        ReadoutCase{"TheLowEnd", {-1024.0, 3071.0, "HU", true}, 0, "(2, 3, 1) = 77   -1024 HU"},
        // -0.4 rounds to 0, shown without a sign.
        ReadoutCase{"NoNegativeZero", {-0.4, 1.0, "", true}, 0, "(2, 3, 1) = 77   0"},
        // Half away from zero: -2.5 is -3.
        ReadoutCase{"HalfAwayFromZero", {-2.5, 0.0, "", true}, 0, "(2, 3, 1) = 77   -3"},
        ReadoutCase{"FourDigitsOfAFraction",
                    {0.0, 1.0, "BQML", false},
                    12345,
                    "(2, 3, 1) = 77   0.1884 BQML"},
        ReadoutCase{"LargeFraction", {0.0, 1e9, "", false}, 65535, "(2, 3, 1) = 77   1e+09"}),
    test::kByLabel);

// A CT-like store in HU: the brain window shows 0..80 HU over the greys and
// clamps the rest, pixel for pixel; the display window and map come after.
TEST(SlicePanes, TheBrainWindowDrawsHounsfieldUnitsByTheFormula) {
    Session session;
    VolumeStore& v = test::NewStore(session);
    ASSERT_EQ(AllocateVolume(v, 16, 16, 4), 1);
    PublishShape(v, 16, 16, 4, 16);
    v.mirrorZ = 0;
    v.mapping = {-1024.0, 3071.0, "HU", true};
    for (int x = 1; x <= 16; ++x)
        for (int y = 1; y <= 16; ++y)
            v.FineRow(x, y)[2] = std::uint16_t((x * 16 + y) * 251 % 65536);
    UserSettings settings;
    settings.sliceWindow = kBrain;
    const std::vector<std::uint8_t> greys = PaneGreys(v, kBrain, SlicePane::Axial, {1, 1, 2});
    ASSERT_EQ(greys.size(), 256u);
    SliceStrip strip = MakeSliceStrip(v, settings, {1, 1, 2});
    int inside = 0;
    for (int y = 1; y <= 16; ++y) {
        for (int x = 1; x <= 16; ++x) {
            const double F = -1024.0 + (double(v.FineRow(x, y)[2]) * 4095.0) / 65535.0;
            const int want = F <= 0.0 ? 0 : F >= 80.0 ? 255 : int(std::trunc((F * 255.0) / 80.0));
            inside += want > 0 && want < 255;
            ASSERT_EQ(greys[std::size_t((y - 1) * 16 + (x - 1))], want) << x << " " << y;
            EXPECT_EQ(strip.rgb[3 * std::size_t((y - 1) * strip.width + (x - 1))], want);
        }
    }
    EXPECT_GT(inside, 0);
    // Inverted grey applies to the windowed grey.
    settings.colourMap = ColourMap::Inverted;
    strip = MakeSliceStrip(v, settings, {1, 1, 2});
    EXPECT_EQ(strip.rgb[0], 255 - greys[0]);
}

// The histogram counts the data alone, bin = fine value / 256, the same for
// any number of threads.
TEST(FineHistogram, CountsEveryDataVoxelInItsBin) {
    Session session;
    test::FillCube(session, 12, [](int x, int y, int z) { return (x * 31 + y * 7 + z) % 256; });
    VolumeStore& v = Store(session);
    v.FineRow(0, 0)[0] = 65535;  // a border: not counted
    FineHistogram want{};
    for (int x = 1; x <= 12; ++x)
        for (int y = 1; y <= 12; ++y)
            for (int z = 1; z <= 12; ++z) ++want[(257 * ((x * 31 + y * 7 + z) % 256)) >> 8];
    const int threads = WorkerThreads();
    for (int t : {1, 3}) {
        SetWorkerThreads(t);
        EXPECT_EQ(HistogramOfFineValues(v), want) << t << " threads";
    }
    SetWorkerThreads(threads);
    EXPECT_EQ(HistogramBinEdge({-1024.0, 3071.0, "HU", true}, 0), -1024.0);
    EXPECT_EQ(HistogramBinEdge({-1024.0, 3071.0, "HU", true}, 256), 3071.0);
    EXPECT_EQ(HistogramOfFineValues(VolumeStore{}), FineHistogram{});
}

}  // namespace
}  // namespace calyra
