// Transfer functions: values at and between points, steps, the tables the
// renderer reads, the presets and the editing operations.
#include "render/transfer_function.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "render/display_map_tables.h"
#include "render/tf_tables.h"
#include "render/transfer_function_presets.h"

namespace calyra {
namespace {

TransferFunction WithOpacity(std::vector<OpacityPoint> points) {
    return {std::move(points), {}, {}, "ramp"};
}

struct ValueCase {
    std::vector<OpacityPoint> points;
    double x;
    double expected;
};

// Dyadic values, so that each expectation is exact.
const ValueCase kValueCases[] = {
    {{{10, 0.25}, {20, 0.75}, {40, 0.5}}, 5, 0.25},     // before the first: the first
    {{{10, 0.25}, {20, 0.75}, {40, 0.5}}, 10, 0.25},    // at a point
    {{{10, 0.25}, {20, 0.75}, {40, 0.5}}, 15, 0.5},     // halfway
    {{{10, 0.25}, {20, 0.75}, {40, 0.5}}, 20, 0.75},    // at an inner point
    {{{10, 0.25}, {20, 0.75}, {40, 0.5}}, 30, 0.625},   // falling
    {{{10, 0.25}, {20, 0.75}, {40, 0.5}}, 40, 0.5},     // at the last
    {{{10, 0.25}, {20, 0.75}, {40, 0.5}}, 1e300, 0.5},  // past the last
    {{{0, 0}, {10, 0.25}, {10, 0.75}, {20, 1}}, 5, 0.125},
    {{{0, 0}, {10, 0.25}, {10, 0.75}, {20, 1}}, 10, 0.75},  // a step takes the later point
    {{{0, 0}, {10, 0.25}, {10, 0.75}, {20, 1}}, 15, 0.875},
    {{{5, 0.125}, {5, 0.25}, {5, 0.5}}, 4, 0.125},  // all at one x
    {{{5, 0.125}, {5, 0.25}, {5, 0.5}}, 5, 0.5},
    {{{0, 0.25}, {0, 0.75}, {8, 0.75}}, -1, 0.25},  // a step at the first point
    {{{3, 0.375}}, -7, 0.375},
    {{{3, 0.375}}, 9, 0.375},
    {{{0, 0}, {10, 1}}, std::numeric_limits<double>::quiet_NaN(), 0},  // no x_i <= NaN
    {{}, 1, 0},
};

TEST(TransferFunctionTest, ValuesAtBetweenAndBeyondThePoints) {
    for (const ValueCase& c : kValueCases) {
        EXPECT_EQ(OpacityAt(WithOpacity(c.points), c.x), c.expected) << c.x;
    }
    // Just below a step's x, the segment before it.
    const TransferFunction step = WithOpacity({{0, 0}, {10, 0.25}, {10, 0.75}, {20, 1}});
    EXPECT_DOUBLE_EQ(OpacityAt(step, std::nextafter(10.0, 0.0)), 0.25);
    // Each colour component on its own.
    const TransferFunction tf{{}, {{0, 0, 1, 0.5}, {4, 1, 0, 0.5}}, {}, ""};
    EXPECT_EQ(ColourAt(tf, 1), (std::array<double, 3>{0.25, 0.75, 0.5}));
    EXPECT_EQ(ColourAt(tf, -1), (std::array<double, 3>{0, 1, 0.5}));
    EXPECT_EQ(ColourAt(tf, 4), (std::array<double, 3>{1, 0, 0.5}));
}

TEST(TfTablesTest, EntriesStandForTheirOwnX) {
    // Over 0..65535 the entry x is 16 e + 8 exactly.
    for (int e : {0, 1, 2047, 4095}) EXPECT_EQ(TfEntryX(e, 0, 65535), 16.0 * e + 8.0);
    EXPECT_DOUBLE_EQ(TfEntryX(0, -1000, 3000), -1000 + 8 * (4000 / 65535.0));
    // A ramp from entry 0's x to the last entry's: a = 16 e / 65520 = e / 4095.
    TfTables t;
    BuildTfTables(WithOpacity({{8, 0}, {65528, 1}}), 0, 65535, false, t);
    for (int e = 0; e < TfTables::kEntries; ++e)
        ASSERT_EQ(t.opacity[e], static_cast<float>(e / 4095.0)) << e;
    // A step on entry 1's x: entry 1 takes the later point.
    BuildTfTables(WithOpacity({{8, 0}, {24, 0.25}, {24, 0.75}, {40, 1}}), 0, 65535, false, t);
    EXPECT_EQ(t.opacity[0], 0.0f);
    EXPECT_EQ(t.opacity[1], 0.75f);
    EXPECT_EQ(t.opacity[2], 1.0f);
}

TEST(TfTablesTest, InterpolationTakesTheHalfStepOpacity) {
    // 1 - sqrt(1 - a): 0.75 -> 0.5, 0.19 -> 0.1, and the ends stay.
    const double cases[][2] = {{0.75, 0.5}, {0.19, 0.1}, {0, 0}, {1, 1}, {0.5, 0.29289321881}};
    for (const auto& c : cases) {
        TfTables t;
        BuildTfTables(WithOpacity({{0, c[0]}}), 0, 1, true, t);
        EXPECT_NEAR(t.opacity[0], c[1], 1e-7) << c[0];
        EXPECT_NEAR(t.opacity[4095], c[1], 1e-7) << c[0];
    }
}

TEST(TfTablesTest, ValuesAreClampedAndNaNBecomesZero) {
    TfTables t;
    TransferFunction tf{{{0, 1.5}}, {{0, 2, -1, 0.5}}, {false}, ""};
    BuildTfTables(tf, 0, 1, true, t);
    EXPECT_EQ(t.opacity[7], 1.0f);
    EXPECT_EQ(t.colour[7][0], 1.0f);
    EXPECT_EQ(t.colour[7][1], 0.0f);
    EXPECT_EQ(t.colour[7][2], 0.5f);
    tf.opacity = {{0, -0.5}};
    BuildTfTables(tf, 0, 1, false, t);
    EXPECT_EQ(t.opacity[7], 0.0f);
    // (0.5 - 0.5) * (1e308 + 1e308) is NaN.
    tf.opacity = {{-1e308, 0.5}, {1.5e308, 0.5}};
    EXPECT_TRUE(std::isnan(OpacityAt(tf, 1e308)));
    BuildTfTables(tf, 1e308, 1e308, false, t);
    EXPECT_EQ(t.opacity[0], 0.0f);
    // Empty lists give nothing to see.
    BuildTfTables(TransferFunction{}, 0, 1, false, t);
    EXPECT_EQ(t.opacity[100], 0.0f);
    EXPECT_EQ(t.colour[100][1], 0.0f);
}

// The walk over the entries must give what the rule gives entry by entry,
// for steps, many points, unsorted points and a range that runs backwards.
TEST(TfTablesTest, TablesFollowTheRuleAtEveryEntry) {
    TransferFunction many{{}, {}, {}, ""};
    for (int k = 0; k < 300; ++k) {
        const double x = -500 + 7 * (k / 2);  // pairs at equal x
        many.opacity.push_back({x, (k % 7) / 6.0});
        many.colour.push_back({x + 1, (k % 5) / 4.0, (k % 3) / 2.0, (k % 2) * 1.0});
    }
    // Steps on the entries' own x over 0..65535.
    TransferFunction steps{{}, {{0, 0, 0, 0}}, {}, ""};
    for (int k = 0; k < 400; ++k) {
        const double x = 8 + 16 * (3 * (k / 2));
        steps.opacity.push_back({x, (k % 4) / 3.0});
    }
    TransferFunction unsorted{
        {{100, 0.2}, {-50, 0.9}, {400, 0.4}}, {{30, 1, 0, 0}, {0, 0, 1, 0}}, {}, ""};
    const struct {
        TransferFunction tf;
        double lo, hi;
    } cases[] = {
        {many, -600, 1700},
        {steps, 0, 65535},
        {many, 300, -400},
        {unsorted, -100, 500},
        {*PresetTransferFunction("pet-hot", -3.5, 90), -3.5, 90},
        {*PresetTransferFunction("ct-soft-tissue", -1024, 3071), -1024, 3071},
        {*PresetTransferFunction("mr-default", 0, 1024), -50, 2000},
    };
    for (const auto& c : cases) {
        for (bool interpolate : {false, true}) {
            TfTables t;
            BuildTfTables(c.tf, c.lo, c.hi, interpolate, t);
            for (int e = 0; e < TfTables::kEntries; ++e) {
                const double x = TfEntryX(e, c.lo, c.hi);
                const double a = std::clamp(OpacityAt(c.tf, x), 0.0, 1.0);
                ASSERT_EQ(t.opacity[e], static_cast<float>(interpolate ? 1 - std::sqrt(1 - a) : a));
                const auto rgb = ColourAt(c.tf, x);
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(t.colour[e][k], static_cast<float>(std::clamp(rgb[k], 0.0, 1.0)));
            }
        }
    }
}

TEST(TfTablesTest, ShadingIsTakenToFloatOnce) {
    TfTables t;
    BuildTfTables(*PresetTransferFunction("ct-bone", 0, 1), 0, 1, false, t);
    EXPECT_TRUE(t.shading);
    EXPECT_EQ(t.ka, 0.1f);
    EXPECT_EQ(t.kd, 0.9f);
    EXPECT_EQ(t.ks, 0.2f);
    EXPECT_EQ(t.p, 10);
    BuildTfTables(*PresetTransferFunction("pet-hot", 0, 1), 0, 1, false, t);
    EXPECT_FALSE(t.shading);
}

TEST(TransferFunctionPresetsTest, EveryNamedPresetIsMadeWithItsName) {
    for (const TfPresetRow& row : kTfPresets) {
        const std::string_view name = row.name;
        const auto tf = PresetTransferFunction(name, -10, 10);
        ASSERT_TRUE(tf) << name;
        EXPECT_EQ(tf->preset, name);
        EXPECT_FALSE(tf->opacity.empty());
        EXPECT_FALSE(tf->colour.empty());
    }
    EXPECT_FALSE(PresetTransferFunction("Ramp", 0, 1));
    EXPECT_FALSE(PresetTransferFunction("", 0, 1));
    EXPECT_EQ(DefaultTransferFunction(2, 9), *PresetTransferFunction("ramp", 2, 9));
}

TEST(TransferFunctionPresetsTest, PresetsHaveTheirValues) {
    const auto ramp = *PresetTransferFunction("ramp", -100, 300);
    EXPECT_EQ(OpacityAt(ramp, 100), 0.25);
    EXPECT_EQ(ColourAt(ramp, 0)[1], 0.25);
    EXPECT_EQ(ramp.shading, (TfShading{true, 0.2, 0.8, 0, 1}));
    const auto bone = *PresetTransferFunction("ct-bone", 0, 1);
    EXPECT_EQ(OpacityAt(bone, -100), 0);  // flat until -16.45, whatever the range
    EXPECT_EQ(OpacityAt(bone, 641.4), 0.716);
    EXPECT_EQ(ColourAt(bone, -500), (std::array<double, 3>{0.73, 0.25, 0.30}));
    const auto soft = *PresetTransferFunction("ct-soft-tissue", 0, 1);
    EXPECT_DOUBLE_EQ(OpacityAt(soft, -163.5), 0.5);
    EXPECT_FALSE(soft.shading.on);
    const auto mr = *PresetTransferFunction("mr-default", 0, 1);
    EXPECT_DOUBLE_EQ(OpacityAt(mr, 30), 0.075);
    EXPECT_DOUBLE_EQ(OpacityAt(mr, 170), 0.3375);
    EXPECT_EQ(OpacityAt(mr, 5000), 0.5);
}

TEST(TransferFunctionPresetsTest, PetHotSpreadsTheHotMapOverTheRange) {
    // Over 0..255 point k sits at k exactly; over -1..254 at k - 1.
    for (const double lo : {0.0, -1.0}) {
        const auto tf = *PresetTransferFunction("pet-hot", lo, lo + 255);
        ASSERT_EQ(tf.colour.size(), 256u);
        for (int k = 0; k < 256; ++k) {
            const ColourPoint& p = tf.colour[k];
            ASSERT_EQ(p.x, lo + k);
            ASSERT_EQ(p.r, kHotTable[k].r / 255.0);
            ASSERT_EQ(p.g, kHotTable[k].g / 255.0);
            ASSERT_EQ(p.b, kHotTable[k].b / 255.0);
        }
        EXPECT_DOUBLE_EQ(OpacityAt(tf, lo + 127.5), 0.3);
    }
    EXPECT_EQ(ColourAt(*PresetTransferFunction("pet-hot", 0, 255), 0)[0], 11 / 255.0);
}

TEST(TransferFunctionPresetsTest, OnlyAPresetFollowsTheVolume) {
    const auto ramp = *PresetTransferFunction("ramp", 0, 255);
    EXPECT_EQ(ForVolume(ramp, -1000, 3000), *PresetTransferFunction("ramp", -1000, 3000));
    TransferFunction edited = ramp;
    ASSERT_TRUE(ShiftPoints(edited, 0));
    EXPECT_EQ(ForVolume(edited, -1000, 3000), edited);
    TransferFunction unknown = ramp;
    unknown.preset = "gone";
    EXPECT_EQ(ForVolume(unknown, -1000, 3000), unknown);
}

TEST(TransferFunctionEditTest, EditsKeepTheListsSortedAndClearThePreset) {
    TransferFunction tf = WithOpacity({{0, 0}, {10, 0.5}, {20, 1}});
    tf.colour = {{0, 0, 0, 0}, {20, 1, 1, 1}};
    std::size_t at = 99;
    ASSERT_TRUE(AddOpacityPoint(tf, {10, 2}, &at));  // after the equal x, clamped
    EXPECT_EQ(at, 2u);
    EXPECT_EQ(tf.opacity[2], (OpacityPoint{10, 1}));
    EXPECT_EQ(tf.preset, "");
    ASSERT_TRUE(AddOpacityPoint(tf, {-5, -1}, &at));
    EXPECT_EQ(at, 0u);
    EXPECT_EQ(tf.opacity[0], (OpacityPoint{-5, 0}));
    // Now -5, 0, 10, 10, 20: point 2 is held between 0 and 10.
    const double moves[][3] = {{25, 0.5, 10}, {-3, 0.5, 0}, {7, 0.5, 7}};
    for (const auto& m : moves) {
        ASSERT_TRUE(MoveOpacityPoint(tf, 2, m[0], m[1]));
        EXPECT_EQ(tf.opacity[2].x, m[2]);
    }
    ASSERT_TRUE(MoveOpacityPoint(tf, 0, -1e6, 3));  // no left neighbour
    EXPECT_EQ(tf.opacity[0], (OpacityPoint{-1e6, 1}));
    ASSERT_TRUE(ShiftPoints(tf, 2.5));
    EXPECT_EQ(tf.opacity[4].x, 22.5);
    EXPECT_EQ(tf.colour[1].x, 22.5);
    ASSERT_TRUE(AddColourPoint(tf, {22.5, 0.5, 2, -1}, &at));
    EXPECT_EQ(at, 2u);
    EXPECT_EQ(tf.colour[2], (ColourPoint{22.5, 0.5, 1, 0}));
    ASSERT_TRUE(MoveColourPoint(tf, 1, 100));
    EXPECT_EQ(tf.colour[1].x, 22.5);
    ASSERT_TRUE(SetPointColour(tf, 0, 0.25, 1.5, -2));
    EXPECT_EQ(tf.colour[0], (ColourPoint{2.5, 0.25, 1, 0}));
    while (tf.opacity.size() > 1) ASSERT_TRUE(DeleteOpacityPoint(tf, 0));
    while (tf.colour.size() > 1) ASSERT_TRUE(DeleteColourPoint(tf, 1));
    EXPECT_EQ(tf.colour[0].x, 2.5);
    ASSERT_TRUE(SetShading(tf, {true, -1, 0.5, 0.25, 500}));
    EXPECT_EQ(tf.shading, (TfShading{true, 0, 0.5, 0.25, 128}));
}

TEST(TransferFunctionEditTest, RefusedEditsChangeNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    TransferFunction tf = WithOpacity({{0, 0}});
    tf.colour = {{1e308, 0, 0, 0}};
    const TransferFunction before = tf;
    EXPECT_FALSE(DeleteOpacityPoint(tf, 0));  // the last point stays
    EXPECT_FALSE(DeleteColourPoint(tf, 0));
    EXPECT_FALSE(DeleteOpacityPoint(tf, 1));
    EXPECT_FALSE(MoveOpacityPoint(tf, 1, 0, 0));
    EXPECT_FALSE(MoveOpacityPoint(tf, 0, nan, 0));
    EXPECT_FALSE(MoveOpacityPoint(tf, 0, 0, nan));
    EXPECT_FALSE(MoveColourPoint(tf, 3, 0));
    EXPECT_FALSE(SetPointColour(tf, 0, 0, inf, 0));
    EXPECT_FALSE(AddOpacityPoint(tf, {inf, 0}));
    EXPECT_FALSE(AddColourPoint(tf, {0, 0, nan, 0}));
    EXPECT_FALSE(ShiftPoints(tf, nan));
    EXPECT_FALSE(ShiftPoints(tf, 1e308));  // the colour point would leave double's range
    EXPECT_FALSE(SetShading(tf, {true, nan, 0, 0, 1}));
    EXPECT_EQ(tf, before);
}

}  // namespace
}  // namespace calyra
