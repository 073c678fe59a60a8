#include "scene/view_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "geometry/orientation.h"
#include "render/user_settings.h"
#include "test_support.h"

namespace calyra {
namespace {

// A view after moves whose floats have no short decimal form.
ViewState MovedView(const ViewVolume& volume) {
    ResetOrientation();
    SnapViewPlane(Face::Left);
    RotateViewPlane(0.5f, -0.35f);
    RotateWorld(0.123456789f, 1.0f / 3.0f);
    PanViewPlane(PanDirection::In);
    TranslateViewPlane(0.01f, -0.02f, 0.3f);
    ScaleEyeDistance(EyeStep::Farther, EyeLimit::Clamped);
    // Every setting but the threshold and stereo away from its start value.
    ApplyUserSettings({.renderType = RenderType::Transparent,
                       .interpolate = true,
                       .gradientShading = false,
                       .colourMap = ColourMap::Hot,
                       .displayWindow = {20, 200}});
    ViewState view = CaptureView(volume);
    ResetOrientation();
    colourMap = ColourMap::Grey;
    displayWindow = {};
    return view;
}

// The moved view of the ball model.
ViewState MovedBallView() {
    ViewVolume model;
    model.kind = ViewVolume::Kind::Model;
    model.model = "ball";
    return MovedView(model);
}

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameView(const ViewState& a, const ViewState& b) {
    for (int i = 0; i < kWorldPoints; ++i) {
        EXPECT_TRUE(SameBits(a.world[i].x, b.world[i].x) && SameBits(a.world[i].y, b.world[i].y) &&
                    SameBits(a.world[i].z, b.world[i].z))
            << "world " << i << ": " << a.world[i] << " vs " << b.world[i];
    }
    for (int i = 0; i < kViewPlanePoints; ++i) {
        EXPECT_TRUE(SameBits(a.plane[i].x, b.plane[i].x) && SameBits(a.plane[i].y, b.plane[i].y) &&
                    SameBits(a.plane[i].z, b.plane[i].z))
            << "plane " << i;
    }
    EXPECT_TRUE(SameBits(a.eyeDistance, b.eyeDistance));
    EXPECT_TRUE(SameBits(a.settings.threshold, b.settings.threshold));
    EXPECT_EQ(a.settings.renderType, b.settings.renderType);
    EXPECT_EQ(a.settings.interpolate, b.settings.interpolate);
    EXPECT_EQ(a.settings.gradientShading, b.settings.gradientShading);
    EXPECT_EQ(a.settings.stereo, b.settings.stereo);
    EXPECT_EQ(a.settings.colourMap, b.settings.colourMap);
    EXPECT_EQ(a.settings.displayWindow, b.settings.displayWindow);
}

TEST(ViewFile, ReadsBackEveryFloatBitForBit) {
    ViewVolume model;
    model.kind = ViewVolume::Kind::Model;
    model.model = "cone";
    const ViewState written = MovedView(model);
    std::string error;
    const auto read = ParseViewText(WriteViewText(written), error);
    ASSERT_TRUE(read) << error;
    ExpectSameView(written, *read);
    EXPECT_EQ(read->volume.kind, ViewVolume::Kind::Model);
    EXPECT_EQ(read->volume.model, "cone");

    // A file cut anywhere is refused, never half-read.
    const std::string text = WriteViewText(written);
    for (std::size_t length :
         {std::size_t{0}, text.size() / 3, text.size() - 20, text.size() - 6}) {
        EXPECT_FALSE(ParseViewText(text.substr(0, length), error)) << length;
        EXPECT_FALSE(error.empty());
    }

    // Applying it puts the program's state exactly there.
    ApplyViewSettingsAndGeometry(*read);
    ExpectSameView(written, CaptureView(model));
    ResetOrientation();
}

TEST(ViewFile, NamesEachRenderTypeAndWritesAStrayValueAsSurface) {
    ViewState view = MovedBallView();
    std::string error;
    for (const RenderTypeName& row : kRenderTypes) {
        const std::string name = row.name;
        view.settings.renderType = *FindRenderType(name);
        const std::string text = WriteViewText(view);
        EXPECT_NE(text.find(std::string("\ntype ") + name + "\n"), std::string::npos) << text;
        const auto read = ParseViewText(text, error);
        ASSERT_TRUE(read) << error;
        EXPECT_EQ(read->settings.renderType, view.settings.renderType);
    }
    view.settings.renderType = static_cast<RenderType>(7);
    EXPECT_NE(WriteViewText(view).find("\ntype surface\n"), std::string::npos);
    EXPECT_EQ(NameOf(static_cast<RenderType>(7)), std::string());
    EXPECT_EQ(FindRenderType("Surface"), std::nullopt);
}

TEST(ViewFile, NamesEachColourMap) {
    ViewState view = MovedBallView();
    std::string error;
    for (const char* name : {"grey", "inverted", "hot", "bone", "viridis"}) {
        view.settings.colourMap = *FindColourMap(name);
        view.settings.displayWindow = {0, 1};
        const std::string text = WriteViewText(view);
        EXPECT_NE(text.find(std::string("\ncolormap ") + name + "\n"), std::string::npos);
        EXPECT_NE(text.find("\ndisplay-window 0 1\n"), std::string::npos);
        const auto read = ParseViewText(text, error);
        ASSERT_TRUE(read) << error;
        EXPECT_EQ(read->settings.colourMap, view.settings.colourMap);
        EXPECT_EQ(read->settings.displayWindow, view.settings.displayWindow);
    }
}

// A file written before colour maps existed: version 1, neither key.
TEST(ViewFile, ReadsAnOlderFileAsThePlainGreyPicture) {
    ViewVolume model;
    model.kind = ViewVolume::Kind::Model;
    model.model = "cone";
    const ViewState written = MovedView(model);
    std::string text = WriteViewText(written);
    ASSERT_EQ(text.rfind("calyra-view 2\n", 0), 0u);
    text.replace(0, std::strlen("calyra-view 2"), "calyra-view 1");
    for (const char* key : {"colormap ", "display-window "}) {
        const std::size_t at = text.find(std::string("\n") + key);
        ASSERT_NE(at, std::string::npos);
        text.erase(at + 1, text.find('\n', at + 1) - at);
    }
    std::string error;
    const auto read = ParseViewText(text, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->settings.colourMap, ColourMap::Grey);
    EXPECT_EQ(read->settings.displayWindow, (DisplayWindow{0, 255}));
    EXPECT_EQ(read->settings.renderType, written.settings.renderType);
    // Only the newer version requires them.
    text.replace(0, std::strlen("calyra-view 1"), "calyra-view 2");
    EXPECT_FALSE(ParseViewText(text, error));
}

TEST(ViewFile, KeepsTheImportAndOpenParameters) {
    ViewVolume raw;
    raw.kind = ViewVolume::Kind::Raw;
    raw.path = "/data/my scans/head.raw";
    raw.params = {256, 256, 64, 2.5f, 1.0f, 0.0f};
    raw.options = {2, 1, 352};
    raw.fileBytes = 8389000;
    std::string error;
    auto read = ParseViewText(WriteViewText(CaptureView(raw)), error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->volume.path, raw.path);
    EXPECT_EQ(read->volume.params.dimY, 256);
    EXPECT_EQ(read->volume.params.aspectX, 2.5f);
    EXPECT_EQ(read->volume.options.reverseBytes, 1);
    EXPECT_EQ(read->volume.options.headerBytes, 352);
    EXPECT_EQ(read->volume.fileBytes, 8389000u);
    EXPECT_EQ(read->volume.format, RawFormat::Binary);

    ViewVolume opened;
    opened.kind = ViewVolume::Kind::Open;
    opened.path = "/data/ct";
    opened.windowLow = -1000.5;
    opened.windowHigh = 3000;
    opened.resample = false;
    read = ParseViewText(WriteViewText(CaptureView(opened)), error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->volume.kind, ViewVolume::Kind::Open);
    EXPECT_EQ(*read->volume.windowLow, -1000.5);
    EXPECT_FALSE(read->volume.resample);
}

struct DamagedCase {
    const char* label;
    const char* from;  // replaced in a good file ...
    const char* to;    // ... by this
    const char* reason;
};

void PrintTo(const DamagedCase& c, std::ostream* os) {
    *os << c.label;
}

class DamagedViewFile : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedViewFile, IsRefusedWithAReason) {
    std::string text = WriteViewText(MovedBallView());
    const DamagedCase& c = GetParam();
    const std::size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    text.replace(at, std::strlen(c.from), c.to);
    std::string error;
    EXPECT_FALSE(ParseViewText(text, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    ViewFile, DamagedViewFile,
    ::testing::Values(
        DamagedCase{"NewerVersion", "calyra-view 2", "calyra-view 3", "newer than this program"},
        DamagedCase{"NotAViewFile", "calyra-view 2", "\x89PNG", "not a view file"},
        DamagedCase{"PointLeftOut", "plane 3", "# plane 3", "missing 'plane 3'"},
        DamagedCase{"TextAfterTheEnd", "end\n", "end\nworld 0 0 0 0\n", "after 'end'"},
        DamagedCase{"NanPoint", "world 4 ", "world 4 nan 0 0 #", "finite numbers"},
        DamagedCase{"HugePoint", "plane 0 ", "plane 0 1e30 0 0 #", "finite numbers"},
        // Past the range of double either way: refused, not rounded to infinity or zero.
        DamagedCase{"PointPastDouble", "plane 1 ", "plane 1 1e400 0 0 #", "finite numbers"},
        DamagedCase{"PointBelowDouble", "world 2 ", "world 2 0 1e-400 0 #", "finite numbers"},
        DamagedCase{"UnknownKey", "stereo 0", "stereo 0\nlighting 3", "unknown key 'lighting'"},
        DamagedCase{"RepeatedKey", "interp 1", "interp 1\ninterp 0", "given twice"},
        DamagedCase{"ThresholdOutOfRange", "threshold ", "threshold 0x1p+1\n#", "from 0 to 1"},
        DamagedCase{"BadType", "type transparent", "type glass",
                    "one of surface, transparent, slice, maximum, minimum, average"},
        DamagedCase{"BadColourMap", "colormap hot", "colormap jet", "'colormap' is one of"},
        DamagedCase{"ColourMapLeftOut", "colormap hot", "# colormap hot", "missing 'colormap'"},
        DamagedCase{"WindowTheWrongWayRound", "display-window 20 200", "display-window 200 20",
                    "0 <= LO < HI <= 255"},
        DamagedCase{"WindowPastWhite", "display-window 20 200", "display-window 20 256",
                    "0 <= LO < HI <= 255"},
        DamagedCase{"WindowOfOneLevel", "display-window 20 200", "display-window 20 20",
                    "0 <= LO < HI <= 255"},
        DamagedCase{"WindowNotWhole", "display-window 20 200", "display-window 20 2e2",
                    "0 <= LO < HI <= 255"},
        DamagedCase{"UnknownSource", "source model", "source teapot", "unknown source kind"}),
    test::kByLabel);

}  // namespace
}  // namespace calyra
