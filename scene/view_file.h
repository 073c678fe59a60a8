// View files: everything a render depends on, as text, so that a view
// composed in the window can be rendered again, bit for bit, in batch.
//
// The volume is named by where it came from (a built-in model, a raw import
// with its parameters, a standard file with its open options); settings and
// every World and ViewPlane point are kept exactly (hexadecimal floats).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "geometry/orientation.h"
#include "render/display_map.h"
#include "render/render_type.h"
#include "render/user_settings.h"
#include "volume/raw_reader.h"

namespace calyra {

// The newest format this program writes and reads. Version 2 added the
// colour map and the display window; a version 1 file shows grey, 0..255.
inline constexpr int kViewFormatVersion = 2;

struct ViewVolume {
    enum class Kind { None, Model, Raw, Open };
    Kind kind = Kind::None;
    std::string model;  // Model: a model name ("cone")
    std::string path;   // Raw, Open: the data file or folder
    // Raw: the import as it was accepted.
    ImportParams params;
    ImportOptions options;
    RawFormat format = RawFormat::Binary;
    // Open: the intensity window and whether unequal spacings were resampled.
    std::optional<double> windowLow, windowHigh;
    bool resample = true;
    // Raw, Open: the data file's size when the view was saved (0: a folder).
    std::uint64_t fileBytes = 0;
};

struct ViewState {
    ViewVolume volume;
    UserSettings settings = kStartupSettings;
    Point3 world[kWorldPoints];
    Point3 plane[kViewPlanePoints];
    float eyeDistance = 0.0f;
    std::string program;  // the version that wrote it
};

// The text of a view file.
std::string WriteViewText(const ViewState& view);

// Reads a view file's text; on failure returns nothing and says why in
// error (unknown keys, missing or repeated keys, numbers that are not finite
// or out of range, a newer format version). Nothing is half-read.
std::optional<ViewState> ParseViewText(const std::string& text, std::string& error);

// Why the view's data file cannot serve it: missing, or of another size
// than when the view was saved (a folder counts by its presence alone).
// Empty when it can, and for models.
std::string ViewDataFileProblem(const ViewVolume& volume);
// The size to record for a data file: its bytes, 0 for a folder.
std::uint64_t ViewDataFileBytes(const std::string& path);

// The settings and geometry the program holds now, with volume as given.
ViewState CaptureView(const ViewVolume& volume);
// Sets the render settings and puts World, ViewPlane and eyeDistance where
// the view has them.
void ApplyViewSettingsAndGeometry(const ViewState& view);

}  // namespace calyra
