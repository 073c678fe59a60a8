// Command line of calyra-render.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "geometry/orientation.h"
#include "geometry/turntable.h"
#include "render/display_map.h"
#include "render/render_type.h"
#include "render/setting_table.h"

namespace calyra::cli {

// One geometry operation, applied in the order given.
struct GeometryOp {
    enum Kind {
        SnapWorld,
        SnapPlane,
        RotateWorld,
        RotatePlane,
        RotatePlaneXYZ,
        TranslatePlane,
        Pan,
        CutAtPlane  // the clip plane where the viewing plane stands
    };
    Kind kind;
    float v[3] = {0, 0, 0};
    Face face = Face::Front;
    bool panIn = true;
};

struct SettingWords {
    Setting setting;
    std::vector<std::string> words;
};

struct Options {
    std::string model = "ball";
    bool modelGiven = false;
    std::optional<std::string> raw;
    std::optional<std::vector<int>> dims;  // three values
    std::optional<int> bytes;
    bool ascii = false;
    bool reverse = false;
    std::optional<std::vector<float>> aspect;
    std::optional<std::string> open;            // a standard volume file or DICOM folder
    std::optional<std::vector<double>> window;  // LO HI
    bool noResample = false;
    std::optional<int> headerBytes;
    std::optional<std::string> view;  // a view file, or a picture that carries one
    std::optional<std::string> tf;    // a transfer-function preset's name or a file

    // The settings given, in order: each row's words (render/setting_table.h),
    // already checked.
    std::vector<SettingWords> settings;
    // The geometry operations in order; a --clip drops the cuts at the plane
    // given before it, so that the last of them sets the plane.
    std::vector<GeometryOp> geometry;

    std::optional<std::string> out;
    int size = 0;  // 0: one pixel per cell; else an N x N picture
    std::optional<std::string> dump;
    std::optional<std::string> dumpVolume;
    std::optional<std::string> dumpFine;
    std::optional<std::vector<int>> slices;  // cursor X Y Z, store indices
    std::optional<std::string> saveView;
    std::optional<std::string> saveTf;
    int threads = 0;  // 0: all cores
    int repeat = 0;
    int turntable = 0;  // frames of a full turn written to out; 0: one picture
    std::optional<TurnAxis> turnAxis;
    std::optional<int> fps;
    bool help = false;
    bool version = false;
};

// Parses argv; on a usage error returns nothing and sets error.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);

// The --help text.
std::string Usage();

}  // namespace calyra::cli
