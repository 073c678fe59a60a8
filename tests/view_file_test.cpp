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
ViewState MovedView(Session& session, const ViewVolume& volume) {
    session.orientation = Orientation();
    SnapViewPlane(session.orientation, Face::Left);
    RotateViewPlane(session.orientation, 0.5f, -0.35f);
    RotateWorld(session.orientation, 0.123456789f, 1.0f / 3.0f);
    PanViewPlane(session.orientation, PanDirection::In);
    TranslateViewPlane(session.orientation, 0.01f, -0.02f, 0.3f);
    ScaleEyeDistance(session.orientation, EyeStep::Farther, EyeLimit::Clamped);
    // Every setting but the threshold and stereo away from its start value.
    TransferFunction edited = *PresetTransferFunction("mr-default", 0, 1000);
    ShiftPoints(edited, 1.0 / 3);
    session.settings = UserSettings{.renderType = RenderType::Transparent,
                                    .interpolate = true,
                                    .gradientShading = false,
                                    .colourMap = ColourMap::Hot,
                                    .displayWindow = {20, 200},
                                    .sliceWindow = {-600.0, 1500.0 / 7},
                                    .crop = CropBox{3, 60, 1, 64, 33, 64},
                                    .clip = ClipPlane{{32.0f, 0.1f, 1e-3f}, {1.0f / 3, -1.0f, 0}},
                                    .transferFunction = edited};
    ViewState view = CaptureView(session, volume);
    session.orientation = Orientation();
    session.settings.colourMap = ColourMap::Grey;
    session.settings.displayWindow = {};
    return view;
}

// The moved view of a built-in model.
ViewState MovedModelView(Session& session, const char* name) {
    ViewVolume model;
    model.kind = ViewVolume::Kind::Model;
    model.model = name;
    return MovedView(session, model);
}
ViewState MovedBallView(Session& session) {
    return MovedModelView(session, "ball");
}

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameView(const ViewState& a, const ViewState& b) {
    for (int i = 0; i < kWorldPoints; ++i) {
        EXPECT_TRUE(SameBits(a.orientation.World[i].x, b.orientation.World[i].x) &&
                    SameBits(a.orientation.World[i].y, b.orientation.World[i].y) &&
                    SameBits(a.orientation.World[i].z, b.orientation.World[i].z))
            << "world " << i << ": " << a.orientation.World[i] << " vs " << b.orientation.World[i];
    }
    for (int i = 0; i < kViewPlanePoints; ++i) {
        EXPECT_TRUE(SameBits(a.orientation.ViewPlane[i].x, b.orientation.ViewPlane[i].x) &&
                    SameBits(a.orientation.ViewPlane[i].y, b.orientation.ViewPlane[i].y) &&
                    SameBits(a.orientation.ViewPlane[i].z, b.orientation.ViewPlane[i].z))
            << "plane " << i;
    }
    EXPECT_TRUE(SameBits(a.orientation.eyeDistance, b.orientation.eyeDistance));
    EXPECT_TRUE(SameBits(a.settings.threshold, b.settings.threshold));
    EXPECT_EQ(a.settings, b.settings);
    EXPECT_EQ(a.settings.renderType, b.settings.renderType);
    EXPECT_EQ(a.settings.interpolate, b.settings.interpolate);
    EXPECT_EQ(a.settings.gradientShading, b.settings.gradientShading);
    EXPECT_EQ(a.settings.stereo, b.settings.stereo);
    EXPECT_EQ(a.settings.colourMap, b.settings.colourMap);
    EXPECT_EQ(a.settings.displayWindow, b.settings.displayWindow);
}

TEST(ViewFile, ReadsBackEveryFloatBitForBit) {
    Session session;
    const ViewState written = MovedModelView(session, "cone");
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
    ApplyViewSettingsAndGeometry(session, *read);
    ExpectSameView(written, CaptureView(session, written.volume));
    session.orientation = Orientation();
}

TEST(ViewFile, NamesEachRenderTypeAndWritesAStrayValueAsSurface) {
    Session session;
    ViewState view = MovedBallView(session);
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
    Session session;
    ViewState view = MovedBallView(session);
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
    Session session;
    const ViewState written = MovedModelView(session, "cone");
    std::string text = WriteViewText(written);
    ASSERT_EQ(text.rfind("calyra-view 3\n", 0), 0u);
    text.replace(0, std::strlen("calyra-view 3"), "calyra-view 1");
    for (const char* key : {"colormap ", "display-window ", "slice-window ", "crop ", "clip ",
                            "tf-opacity ", "tf-colour ", "tf-shading "}) {
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
    // Version 3's keys read as the start slice window, uncut and ramp.
    const UserSettings start;
    EXPECT_EQ(read->settings.sliceWindow, start.sliceWindow);
    EXPECT_FALSE(read->settings.crop);
    EXPECT_FALSE(read->settings.clip);
    EXPECT_EQ(read->settings.transferFunction, start.transferFunction);
    // Only the newer versions require them.
    text.replace(0, std::strlen("calyra-view 1"), "calyra-view 2");
    EXPECT_FALSE(ParseViewText(text, error));
}

// An unedited preset is named and keeps its points for this volume; edited
// or read from a file, the points alone are kept.
TEST(ViewFile, KeepsAPresetByNameAndEditedPointsAsThey) {
    Session session;
    ViewState view = MovedModelView(session, "head");
    view.settings.transferFunction = *PresetTransferFunction("pet-hot", -3.5, 1e4 / 3);
    std::string text = WriteViewText(view);
    EXPECT_NE(text.find("\ntf-preset pet-hot\n"), std::string::npos);
    std::string error;
    auto read = ParseViewText(text, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->settings.transferFunction, view.settings.transferFunction);
    ShiftPoints(view.settings.transferFunction, -1.0);
    text = WriteViewText(view);
    EXPECT_EQ(text.find("tf-preset"), std::string::npos);
    read = ParseViewText(text, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->settings.transferFunction, view.settings.transferFunction);
    EXPECT_EQ(read->settings.transferFunction.preset, "");
}

TEST(ViewFile, KeepsTheImportAndOpenParameters) {
    Session session;
    ViewVolume raw;
    raw.kind = ViewVolume::Kind::Raw;
    raw.path = "/data/my scans/head.raw";
    raw.params = {256, 256, 64, 2.5f, 1.0f, 0.0f};
    raw.options = {2, 1, 352};
    raw.fileBytes = 8389000;
    std::string error;
    auto read = ParseViewText(WriteViewText(CaptureView(session, raw)), error);
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
    read = ParseViewText(WriteViewText(CaptureView(session, opened)), error);
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
    Session session;
    std::string text = WriteViewText(MovedBallView(session));
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
        DamagedCase{"NewerVersion", "calyra-view 3", "calyra-view 4", "newer than this program"},
        DamagedCase{"NotAViewFile", "calyra-view 3", "\x89PNG", "not a view file"},
        DamagedCase{"CropReversed", "crop ", "crop 9 8 1 1 1 1\n#", "'crop' takes none or six"},
        DamagedCase{"CropShort", "crop ", "crop 1 2 3\n#", "'crop' takes none or six"},
        DamagedCase{"ClipWithoutNormal", "clip ", "clip 1 2 3 0 0 0\n#", "N not zero"},
        DamagedCase{"SliceWindowWithoutWidth", "slice-window ", "slice-window 0 -1\n#", "W > 0"},
        DamagedCase{"OpacityUnsorted", "tf-opacity ", "tf-opacity 2 1 0 0 0\n#", "never falling"},
        DamagedCase{"OpacityCountWrong", "tf-opacity ", "tf-opacity 3 1 0 0 0\n#", "N (1..4096)"},
        DamagedCase{"ColourOutOfRange", "tf-colour ", "tf-colour 1 0 1 1 1.5\n#", "from 0 to 1"},
        DamagedCase{"ShadingBadPower", "tf-shading ", "tf-shading 1 1 1 0\n#", "1 to 128"},
        DamagedCase{"UnknownPreset", "tf-shading ", "tf-preset jet\ntf-shading off\n#",
                    "'tf-preset' is one of"},
        DamagedCase{"TfLeftOut", "tf-colour ", "# tf-colour ", "missing 'tf-colour'"},
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
