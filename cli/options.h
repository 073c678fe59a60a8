// Command line of calyra-render.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "geometry/orientation.h"
#include "render/display_map.h"
#include "render/render_type.h"

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
        Pan
    };
    Kind kind;
    float v[3] = {0, 0, 0};
    Face face = Face::Front;
    bool panIn = true;
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

    std::optional<RenderType> type;
    std::optional<float> threshold;
    bool interp = false;
    bool noGrad = false;
    std::optional<ColourMap> colourMap;
    std::optional<DisplayWindow> displayWindow;
    std::vector<GeometryOp> geometry;

    std::optional<std::string> out;
    int size = 0;  // 0: one pixel per cell; else an N x N picture
    std::optional<std::string> dump;
    std::optional<std::string> dumpVolume;
    std::optional<std::vector<int>> slices;  // cursor X Y Z, store indices
    std::optional<std::string> saveView;
    int threads = 0;  // 0: all cores
    int repeat = 0;
    bool help = false;
    bool version = false;
};

// Parses argv; on a usage error returns nothing and sets error.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);

// The --help text.
std::string Usage();

}  // namespace calyra::cli
