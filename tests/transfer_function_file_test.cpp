// Transfer-function files: the stretch onto the volume's range, the notes,
// the lists a file may leave out, every refusal, and the written file.
#include "scene/transfer_function_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "base/file_writer.h"
#include "render/tf_tables.h"
#include "render/transfer_function_presets.h"
#include "temp_folder.h"

namespace calyra {
namespace {

struct Read {
    std::optional<TransferFunction> tf;
    std::vector<std::string> notes;
    std::string error;
};

Read Parse(const std::string& text, double lo = 0, double hi = 255) {
    Read r;
    r.tf = ParseTransferFunctionText(text, "tf.json", lo, hi, r.notes, r.error);
    return r;
}

std::vector<double> Xs(const TransferFunction& tf, bool colour) {
    std::vector<double> xs;
    if (colour) {
        for (const ColourPoint& p : tf.colour) xs.push_back(p.x);
    } else {
        for (const OpacityPoint& p : tf.opacity) xs.push_back(p.x);
    }
    return xs;
}

TEST(TransferFunctionFileTest, WithoutUnitsTheRGBPointsRangeIsStretchedOntoTheVolume) {
    const struct {
        const char* text;
        double lo, hi;
        std::vector<double> opacityXs, colourXs;
    } cases[] = {
        // 0..1 onto -1000..3000: x' = -1000 + 4000 x, points outside the range too.
        {R"([{"RGBPoints": [0, 0, 0, 0, 0.25, 1, 1, 1, 1, 1, 1, 1],
              "Points": [-0.5, 0, 0.5, 0, 0.5, 1, 0.5, 0]}])",
         -1000,
         3000,
         {-3000, 1000},
         {-1000, 0, 3000}},
        // 10..20 onto 0..255: 15 -> 127.5.
        {R"([{"RGBPoints": [10, 0, 0, 0, 20, 1, 1, 1], "Points": [15, 1, 0.5, 0]}])",
         0,
         255,
         {127.5},
         {0, 255}},
        // No RGBPoints: the Points' own range, 100..300 onto 0..1.
        {R"([{"Points": [100, 0, 0.5, 0, 150, 0.5, 0.5, 0, 300, 1, 0.5, 0]}])",
         0,
         1,
         {0, 0.25, 1},
         {0, 1}},
        // A range of one x puts every point at lo.
        {R"([{"RGBPoints": [5, 0, 0, 0, 5, 1, 1, 1], "Points": [2, 0, 0.5, 0]}])",
         -7,
         9,
         {-7},
         {-7, -7}},
        // File units are taken as they are.
        {R"([{"Units": "file", "RGBPoints": [10, 0, 0, 0, 20, 1, 1, 1],
              "Points": [15, 1, 0.5, 0]}])",
         0,
         255,
         {15},
         {10, 20}},
    };
    for (const auto& c : cases) {
        const Read r = Parse(c.text, c.lo, c.hi);
        ASSERT_TRUE(r.tf) << r.error;
        EXPECT_EQ(Xs(*r.tf, false), c.opacityXs) << c.text;
        EXPECT_EQ(Xs(*r.tf, true), c.colourXs) << c.text;
        EXPECT_EQ(r.tf->preset, "");
    }
}

TEST(TransferFunctionFileTest, MissingListsAndShadingTakeTheirDefaults) {
    Read r = Parse(R"([{"RGBPoints": [0, 1, 0, 0, 1, 0, 0, 1]}])", -5, 5);
    ASSERT_TRUE(r.tf) << r.error;
    EXPECT_EQ(r.tf->opacity, (std::vector<OpacityPoint>{{-5, 0}, {5, 0.5}}));
    EXPECT_EQ(r.tf->shading, (TfShading{true, 0.2, 0.8, 0, 1}));
    // Grey from the first opacity point to the last, after the stretch.
    r = Parse(R"([{"Points": [2, 0, 0.5, 0, 4, 1, 0.5, 0, 6, 0, 0.5, 0]}])", 10, 30);
    ASSERT_TRUE(r.tf) << r.error;
    EXPECT_EQ(r.tf->colour, (std::vector<ColourPoint>{{10, 0, 0, 0}, {30, 1, 1, 1}}));
    r = Parse(R"([{"Points": [2, 0, 0.5, 0], "Shading": "off"}])");
    ASSERT_TRUE(r.tf) << r.error;
    EXPECT_FALSE(r.tf->shading.on);
    r = Parse(R"([{"Points": [2, 0, 0.5, 0], "Shading": [0.5, 0, 1e3, 64.0]}])");
    ASSERT_TRUE(r.tf) << r.error;
    EXPECT_EQ(r.tf->shading, (TfShading{true, 0.5, 0, 1000, 64}));
}

TEST(TransferFunctionFileTest, WhatIsReadOtherwiseIsNoted) {
    const struct {
        const char* text;
        const char* note;  // nullptr: none
    } cases[] = {
        {R"([{"Points": [0, 0, 0.5, 0], "ColorSpace": "RGB", "Name": "x"}])", nullptr},
        {R"([{"Points": [0, 0, 0.4, 0]}])", "read as straight lines"},
        {R"([{"Points": [0, 0, 0.5, 1]}])", "read as straight lines"},
        {R"([{"Points": [0, 0, 0.5, 0], "ColorSpace": "Lab"}])", "read as RGB"},
        {R"([{"Points": [0, 0, 0.5, 0], "ColorSpace": 3}])", "read as RGB"},
        {R"([{"Points": [0, 0, 0.5, 0], "Creator": "a", "NanColor": [1, 0, 0]}])",
         "keys not used: \"Creator\", \"NanColor\""},
        {R"([{"Points": [0, 0, 0.5, 0]}, {"Name": "second"}])", "only the first is read"},
    };
    for (const auto& c : cases) {
        const Read r = Parse(c.text);
        ASSERT_TRUE(r.tf) << r.error;
        if (!c.note) {
            EXPECT_TRUE(r.notes.empty()) << c.text;
            continue;
        }
        ASSERT_EQ(r.notes.size(), 1u) << c.text;
        EXPECT_EQ(r.notes[0].rfind("tf.json: ", 0), 0u) << r.notes[0];
        EXPECT_NE(r.notes[0].find(c.note), std::string::npos) << r.notes[0];
    }
}

std::string PointsOf(int count) {
    std::string list;
    for (int k = 0; k < count; ++k) list += (k ? ", " : "") + std::to_string(k) + ", 0, 0.5, 0";
    return "[{\"Points\": [" + list + "]}]";
}

TEST(TransferFunctionFileTest, HostileFilesAreRefusedWithTheReason) {
    const std::string big = R"([{"Points": [0, 0, 0.5, 0]}])" + std::string(1 << 20, ' ');
    const struct {
        std::string text, reason;
    } cases[] = {
        {"", "not JSON"},
        {"hello", "not JSON"},
        {R"([{"Points": [0, 0, 0.5, 0)", "not JSON"},  // cut short
        {R"([{"Points": [NaN, 0, 0.5, 0]}])", "not JSON"},
        {"[{\"Name\": \"\xff\", \"Points\": [0, 0, 0.5, 0]}]", "not JSON"},  // not UTF-8
        {R"([{"Points": [1e999, 0, 0.5, 0]}])", "not finite"},
        {R"([{"Points": [0, -1e999, 0.5, 0]}])", "not finite"},
        {R"({"Points": [0, 0, 0.5, 0]})", "non-empty list"},
        {"[]", "non-empty list"},
        {std::string(100000, '[') + std::string(100000, ']'), "not an object"},
        {R"(["ramp"])", "not an object"},
        {R"([{"Points": [0, 0, 0.5, 0]}, 3])", "not an object"},
        {R"([{"Name": "empty"}])", "neither"},
        {R"([{"Points": [0, 0, 0.5]}])", "not a multiple of 4"},
        {R"([{"RGBPoints": [0, 0, 0, 0, 1]}])", "not a multiple of 4"},
        {R"([{"Points": []}])", "no points"},
        {R"([{"Points": null}])", "not a list"},
        {R"([{"RGBPoints": {"x": 0}}])", "not a list"},
        {R"([{"Points": ["0", 0, 0.5, 0]}])", "number 1 is not a number"},
        {R"([{"RGBPoints": [0, true, 0, 0]}])", "number 2 is not a number"},
        {R"([{"Points": [0, 0, {}, 0]}])", "number 3 is not a number"},
        {R"([{"Points": [0, 0, 0.5, null]}])", "number 4 is not a number"},
        {R"([{"Points": [0, 1.5, 0.5, 0]}])", "outside 0..1"},
        {R"([{"Points": [0, -0.1, 0.5, 0]}])", "outside 0..1"},
        {R"([{"RGBPoints": [0, 0, 0, 1.01]}])", "outside 0..1"},
        {R"([{"Points": [1, 0, 0.5, 0, 0, 0, 0.5, 0]}])", "point 2 has a smaller x"},
        {R"([{"Points": [0, 0, 0.5, 0], "RGBPoints": [5, 0, 0, 0, 4.9, 0, 0, 0]}])", "smaller x"},
        {R"([{"Points": [0, 0, 0.5, 0], "Units": "data"}])", "\"Units\""},
        {R"([{"Points": [0, 0, 0.5, 0], "Units": 1}])", "\"Units\""},
        {R"([{"Points": [0, 0, 0.5, 0], "Shading": [0.1, 0.9, 0.2]}])", "\"Shading\""},
        {R"([{"Points": [0, 0, 0.5, 0], "Shading": [-0.1, 0.9, 0.2, 1]}])", "\"Shading\""},
        {R"([{"Points": [0, 0, 0.5, 0], "Shading": [0.1, 0.9, 0.2, 0]}])", "\"Shading\""},
        {R"([{"Points": [0, 0, 0.5, 0], "Shading": [0.1, 0.9, 0.2, 129]}])", "\"Shading\""},
        {R"([{"Points": [0, 0, 0.5, 0], "Shading": [0.1, 0.9, 0.2, 2.5]}])", "\"Shading\""},
        {R"([{"Points": [0, 0, 0.5, 0], "Shading": [0.1, "0.9", 0.2, 1]}])", "\"Shading\""},
        {R"([{"Points": [0, 0, 0.5, 0], "Shading": "OFF"}])", "\"Shading\""},
        {R"([{"Points": [0, 0, 0.5, 0], "Shading": null}])", "\"Shading\""},
        // Finite points whose stretch overflows: (1e308 - -1e308) is infinite.
        {R"([{"RGBPoints": [-1e308, 0, 0, 0, 1e308, 1, 1, 1]}])", "once stretched"},
        {PointsOf(4097), "more than 4096 points"},
        {big, "larger than 1 MiB"},
    };
    for (const auto& c : cases) {
        const Read r = Parse(c.text);
        EXPECT_FALSE(r.tf) << c.reason;
        EXPECT_TRUE(r.notes.empty()) << c.reason;
        EXPECT_EQ(r.error.rfind("Cannot read the transfer function tf.json: ", 0), 0u) << r.error;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
    }
    EXPECT_TRUE(Parse(PointsOf(4096)).tf);  // the most a list may hold
}

TEST(TransferFunctionFileTest, FilesAreRefusedBeforeTheyAreRead) {
    const test::TempFolder folder("calyra_tf");
    std::vector<std::string> notes;
    std::string error;
    const auto read = [&](const std::string& path) {
        return ReadTransferFunctionFile(path, 0, 1, notes, error);
    };
    EXPECT_FALSE(read(folder.File("missing.json")));
    EXPECT_NE(error.find("missing.json: "), std::string::npos) << error;
    EXPECT_FALSE(read(folder.path().string()));
    EXPECT_NE(error.find("a folder"), std::string::npos) << error;
    // A sparse file just over the limit is refused by its size.
    const std::string large = folder.File("large.json");
    std::ofstream(large).put('[');
    std::filesystem::resize_file(large, kMaxTransferFunctionFileBytes + 1);
    EXPECT_FALSE(read(large));
    EXPECT_NE(error.find("larger than 1 MiB"), std::string::npos) << error;
    const std::string good = folder.File("good.json");
    ASSERT_EQ(WriteFileAtomically(good, R"([{"Points": [0, 0.25, 0.5, 0], "X": 1}])"), "");
    const auto tf = read(good);
    ASSERT_TRUE(tf) << error;
    EXPECT_EQ(tf->opacity, (std::vector<OpacityPoint>{{0, 0.25}}));
    EXPECT_EQ(notes.size(), 1u);
}

void ExpectSameTables(const TransferFunction& a, const TransferFunction& b, double lo, double hi) {
    for (bool interpolate : {false, true}) {
        TfTables ta, tb;
        BuildTfTables(a, lo, hi, interpolate, ta);
        BuildTfTables(b, lo, hi, interpolate, tb);
        EXPECT_EQ(std::memcmp(ta.opacity, tb.opacity, sizeof ta.opacity), 0);
        EXPECT_EQ(std::memcmp(ta.colour, tb.colour, sizeof ta.colour), 0);
        EXPECT_EQ(ta.shading, tb.shading);
        EXPECT_EQ(std::memcmp(&ta.ka, &tb.ka, sizeof ta.ka), 0);
        EXPECT_EQ(std::memcmp(&ta.kd, &tb.kd, sizeof ta.kd), 0);
        EXPECT_EQ(std::memcmp(&ta.ks, &tb.ks, sizeof ta.ks), 0);
        EXPECT_EQ(ta.p, tb.p);
    }
}

TEST(TransferFunctionFileTest, AWrittenFileReadsBackToTheSameTables) {
    TransferFunction custom{{{-0.0, 0.1 + 0.2}, {1.0 / 3, 1e-300}, {1.0 / 3, 1}},
                            {{-1e-7, 0.7, 2.0 / 3, 0.1}},
                            {true, 0.123456789012345678, 1.0 / 7, 5e-324, 77},
                            ""};
    std::vector<TransferFunction> all{custom};
    for (const TfPresetRow& row : kTfPresets)
        all.push_back(*PresetTransferFunction(row.name, -1024.25, 3071.0 / 3));
    for (const TransferFunction& tf : all) {
        const std::string text = TransferFunctionText(tf);
        // Read over another range: file units do not follow the volume.
        const Read r = Parse(text, 5, 6);
        ASSERT_TRUE(r.tf) << r.error << "\n" << text;
        EXPECT_TRUE(r.notes.empty()) << r.notes[0];
        EXPECT_NE(text.find(tf.preset.empty() ? "\"custom\"" : "\"" + tf.preset + "\""),
                  std::string::npos);
        TransferFunction back = *r.tf;
        back.preset = tf.preset;
        EXPECT_EQ(back, tf) << text;
        ExpectSameTables(*r.tf, tf, -1024.25, 3071.0 / 3);
    }
}

}  // namespace
}  // namespace calyra
