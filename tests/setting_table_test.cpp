// The settings table: every row reads back what it writes, refuses what is
// no value of it without a change, and a new volume resets what it should.
#include "render/setting_table.h"

#include <gtest/gtest.h>

#include <sstream>

#include "render/session.h"

namespace calyra {
namespace {

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// Every field away from its start value; with the second, every two flags
// differ once, so a flag read into another's place shows.
const UserSettings kMoved{.renderType = RenderType::Average,
                          .threshold = 0.625f,
                          .interpolate = true,
                          .gradientShading = false,
                          .stereo = true,
                          .colourMap = ColourMap::Viridis,
                          .displayWindow = {12, 34},
                          .sliceWindow = {40.25, 1.0 / 3},
                          .crop = CropBox{2, 30, 1, 64, 33, 64},
                          .clip = ClipPlane{{10.5f, 0.1f, -3.0f}, {0.0f, 1.0f / 3, 0.0f}},
                          .transferFunction = *PresetTransferFunction("ct-bone", -1024, 3071)};

TEST(SettingTable, EveryRowReadsBackWhatItWrites) {
    UserSettings mixed = kMoved;
    mixed.gradientShading = true;
    mixed.stereo = false;
    mixed.threshold = 0.1f + 1e-7f;  // no short decimal form
    mixed.crop.reset();
    mixed.clip.reset();
    // An edited function: points of its own, no preset name, shading off.
    ShiftPoints(mixed.transferFunction, 0.1);
    mixed.transferFunction.shading = TfShading{false};
    for (const UserSettings& value : {kMoved, mixed}) {
        UserSettings read;
        for (const SettingRow& row : kSettingRows) {
            const std::vector<std::string> words = Words(row.write(value));
            if (row.words != kAnyWords) {
                ASSERT_EQ(words.size(), row.words) << row.viewKey;
            }
            EXPECT_EQ(row.read(words, read), "") << row.viewKey;
        }
        EXPECT_EQ(read, value);
    }
}

struct Refusal {
    Setting setting;
    std::vector<std::string> words;
    const char* reason;
};

TEST(SettingTable, ARefusedValueChangesNothing) {
    const Refusal refusals[] = {
        {Setting::RenderType, {"glass"}, "surface, transparent, slice"},
        {Setting::Threshold, {"1.5"}, "from 0 to 1"},
        {Setting::Threshold, {"-0x1p-20"}, "from 0 to 1"},
        {Setting::Threshold, {"nan"}, "finite"},
        {Setting::Threshold, {"0.5x"}, "finite"},
        {Setting::Interpolate, {"2"}, "0 or 1"},
        {Setting::Stereo, {"yes"}, "0 or 1"},
        {Setting::ColourMap, {"jet"}, "grey, inverted, hot, bone, viridis"},
        {Setting::DisplayWindow, {"20", "20"}, "0 <= LO < HI <= 255"},
        {Setting::DisplayWindow, {"-1", "20"}, "0 <= LO < HI <= 255"},
        {Setting::DisplayWindow, {"0", "2.5e2"}, "0 <= LO < HI <= 255"},
        {Setting::SliceWindow, {"40", "0"}, "W > 0"},
        {Setting::SliceWindow, {"inf", "80"}, "finite"},
        {Setting::Crop, {"3", "2", "1", "1", "1", "1"}, "X0 <= X1"},
        {Setting::Crop, {"0", "2", "1", "1", "1", "1"}, "1 <= X0"},
        {Setting::Crop, {"1", "2", "1", "1", "1"}, "six whole numbers"},
        {Setting::Clip, {"0", "0", "0", "0", "0", "0"}, "N not zero"},
        {Setting::Clip, {"0", "0", "0", "nan", "1", "0"}, "finite"},
        {Setting::TfOpacity, {"2", "0", "0", "-1", "0.5"}, "X never falling"},
        {Setting::TfOpacity, {"1", "0", "1.5"}, "A from 0 to 1"},
        {Setting::TfOpacity, {"2", "0", "0"}, "N (1..4096)"},
        {Setting::TfOpacity, {"4097"}, "N (1..4096)"},
        {Setting::TfColour, {"1", "0", "0", "2", "0"}, "from 0 to 1"},
        {Setting::TfShading, {"0.1", "0.9", "-0.2", "10"}, "at least 0"},
        {Setting::TfShading, {"0.1", "0.9", "0.2", "129"}, "1 to 128"},
        {Setting::TfPreset, {"jet"}, "ramp, ct-bone"},
    };
    for (const Refusal& r : refusals) {
        UserSettings settings = kMoved;
        const std::string reason = RowOf(r.setting).read(r.words, settings);
        EXPECT_NE(reason.find(r.reason), std::string::npos)
            << static_cast<int>(r.setting) << ": " << reason;
        EXPECT_EQ(settings, kMoved) << static_cast<int>(r.setting);
    }
}

TEST(SettingTable, ANewVolumeResetsWhatItShould) {
    Session session;
    session.settings = kMoved;
    auto store = std::make_shared<VolumeStore>();
    store->mapping = {-1000.0, 3000.0, "HU", true};
    session.ReplaceVolume(store);
    // No interpolation, the new range's slice window, uncut; the preset's
    // points follow the new range, the rest stays.
    UserSettings expected = kMoved;
    expected.interpolate = false;
    expected.sliceWindow = {1000.0, 4000.0};
    expected.crop.reset();
    expected.clip.reset();
    expected.transferFunction = *PresetTransferFunction("ct-bone", -1000.0, 3000.0);
    EXPECT_EQ(session.settings, expected);
    // An edited function keeps its points.
    session.settings.transferFunction = {{{5.0, 0.5}}, {{5.0, 1.0, 0.0, 0.0}}, {}, ""};
    const TransferFunction edited = session.settings.transferFunction;
    session.ReplaceVolume(std::make_shared<VolumeStore>());
    EXPECT_EQ(session.settings.transferFunction, edited);
    // A failed build's empty store resets nothing.
    session.settings = kMoved;
    session.ReplaceVolume(std::make_shared<VolumeStore>(), false);
    EXPECT_EQ(session.settings, kMoved);
}

TEST(SettingTable, ACropMustFitTheVolume) {
    VolumeStore v;
    v.dims = {64, 64, 32};
    UserSettings s;
    EXPECT_EQ(CheckForVolume(s, v), "");
    s.crop = CropBox{1, 64, 1, 64, 1, 32};
    EXPECT_EQ(CheckForVolume(s, v), "");
    s.crop = CropBox{1, 64, 1, 64, 1, 33};
    EXPECT_NE(CheckForVolume(s, v).find("crop lies outside the volume's 1..64, 1..64, 1..32"),
              std::string::npos);
}

TEST(SettingTable, OptionsAndKeysAreFoundAndUnique) {
    for (const SettingRow& row : kSettingRows) {
        if (*row.option) {
            EXPECT_EQ(FindSettingOption(row.option), &row) << row.option;
        }
        for (const SettingRow& other : kSettingRows) {
            if (&other == &row) continue;
            EXPECT_STRNE(row.viewKey, other.viewKey);
            if (*row.option) {
                EXPECT_STRNE(row.option, other.option);
            }
        }
    }
    EXPECT_EQ(FindSettingOption("--size"), nullptr);
}

}  // namespace
}  // namespace calyra
