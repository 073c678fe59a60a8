#include "cli/scene.h"

#include <filesystem>
#include <fstream>
#include <optional>

#include "base/messages.h"
#include "formats/open_volume.h"
#include "geometry/orientation.h"
#include "picture/picture_file.h"
#include "render/display_map.h"
#include "render/user_settings.h"
#include "volume/file_open.h"
#include "volume/models.h"
#include "volume/raw_reader.h"
#include "volume/volume_store.h"

namespace calyra::cli {
namespace {

ViewVolume sceneVolume;
std::optional<ViewState> sceneView;

void Fail(const std::string& text) {
    ReportMessage({text, "", MessageIcon::Warning, MessageOwner::None});
}

// The text of a view file, or of the view a picture carries.
std::optional<std::string> ReadViewText(const std::string& path) {
    if (!std::ifstream(path, std::ios::binary)) {
        Fail(FormatWithName(kCouldNotReadFile, path));
        return std::nullopt;
    }
    const QString text = picture::ViewTextOf(QString::fromStdString(path));
    if (text.isEmpty()) {
        Fail(path + ": neither a view file nor a picture that carries a view");
        return std::nullopt;
    }
    return text.toStdString();
}

bool ImportRawAs(const ViewVolume& v) {
    volumePath = v.path;
    const std::string refusal = ImportRefusalReason(v.params, v.options, v.format);
    if (!refusal.empty()) {
        Fail(RefusalMessage(refusal));
        return false;
    }
    return LoadRawVolume(v.format, v.params, v.options);
}

bool BuildNamedModel(const std::string& name) {
    const std::optional<ModelType> model = FindModel(name);
    if (!model) {
        Fail("unknown model " + name + " in the view");
        return false;
    }
    ++loadCount;
    BuildModel(*model);
    sceneVolume = {};
    sceneVolume.kind = ViewVolume::Kind::Model;
    sceneVolume.model = name;
    return true;
}

// Opens a standard volume file (or DICOM folder) as v describes it.
bool OpenAs(const ViewVolume& v) {
    if (!formats::OpenVolume(v.path,
                             formats::MakeOpenOptions(v.windowLow, v.windowHigh, v.resample))) {
        return false;
    }
    std::error_code ec;
    sceneVolume = v;
    sceneVolume.path = std::filesystem::absolute(v.path, ec).string();
    sceneVolume.fileBytes = ViewDataFileBytes(v.path);
    return true;
}

bool BuildFromView(const std::string& path) {
    const std::optional<std::string> text = ReadViewText(path);
    if (!text) return false;
    std::string error;
    sceneView = ParseViewText(*text, error);
    if (!sceneView) {
        Fail(path + ": " + error);
        return false;
    }
    const ViewVolume& v = sceneView->volume;
    const std::string problem = ViewDataFileProblem(v);
    if (!problem.empty()) {
        Fail(problem);
        return false;
    }
    switch (v.kind) {
        case ViewVolume::Kind::Model:
            return BuildNamedModel(v.model);
        case ViewVolume::Kind::Raw:
            if (!ImportRawAs(v)) return false;
            sceneVolume = v;
            return true;
        case ViewVolume::Kind::Open:
            return OpenAs(v);
        default:
            Fail(path + ": this program cannot open the view's volume");
            return false;
    }
}

bool ImportRaw(const Options& o) {
    volumePath = *o.raw;
    // The data file first: a missing one is named as the data file, not as
    // its missing side file.
    if (!OpenDataFile(volumePath, "rb")) {
        ReportMessage({FormatWithName(kCouldNotReadFile, volumePath), "", MessageIcon::Warning,
                       MessageOwner::None});
        return false;
    }
    ImportParams params;
    ImportOptions options;
    ImportStartValues(volumePath, params, options);
    int fileType = 1;
    const std::string sideFile = volumePath + ".inf";
    std::error_code ec;
    if (std::filesystem::is_regular_file(sideFile, ec)) {
        fileType = ReadInfFile(params, options);
    } else if (!o.dims) {
        ReportMessage(
            {FormatWithName(kCouldNotReadFile, sideFile) +
                 "Without the side file, give the shape with --dims X Y Z (and --bytes N, "
                 "--ascii, --reverse, --header-bytes N as the file needs), or write " +
                 sideFile + " (see --help).",
             "", MessageIcon::Warning, MessageOwner::None});
        return false;
    }
    RawFormat format = SideFileFormat(fileType);
    if (o.dims) {
        params.dimX = (*o.dims)[0];
        params.dimY = (*o.dims)[1];
        params.dimZ = (*o.dims)[2];
    }
    if (o.bytes) options.bytesPerVoxel = *o.bytes;
    if (o.ascii) format = RawFormat::Ascii;
    if (o.reverse) options.reverseBytes = 1;
    if (o.headerBytes) options.headerBytes = *o.headerBytes;
    if (o.aspect) {
        params.aspectX = (*o.aspect)[0];
        params.aspectY = (*o.aspect)[1];
        params.aspectZ = (*o.aspect)[2];
    }
    const std::string refusal = ImportRefusalReason(params, options, format);
    if (!refusal.empty()) {
        ReportMessage({RefusalMessage(refusal), "", MessageIcon::Warning, MessageOwner::Dialog});
        return false;
    }
    if (!LoadRawVolume(format, params, options)) return false;
    sceneVolume = {};
    sceneVolume.kind = ViewVolume::Kind::Raw;
    sceneVolume.path = std::filesystem::absolute(volumePath, ec).string();
    sceneVolume.params = params;
    sceneVolume.options = options;
    sceneVolume.format = format;
    sceneVolume.fileBytes = ViewDataFileBytes(volumePath);
    return true;
}

}  // namespace

bool BuildSceneVolume(const Options& o) {
    if (o.raw) return ImportRaw(o);
    if (o.open) {
        ViewVolume v;
        v.kind = ViewVolume::Kind::Open;
        v.path = *o.open;
        if (o.window) {
            v.windowLow = (*o.window)[0];
            v.windowHigh = (*o.window)[1];
        }
        v.resample = !o.noResample;
        return OpenAs(v);
    }
    if (o.view) return BuildFromView(*o.view);
    return BuildNamedModel(o.model);
}

std::string SceneViewText() {
    return WriteViewText(CaptureView(sceneVolume));
}

void ApplySettingsAndGeometry(const Options& o) {
    // The view first: the build switched interpolation off.
    if (sceneView) ApplyViewSettingsAndGeometry(*sceneView);
    if (o.type) renderType = *o.type;
    if (o.threshold) threshold = *o.threshold;
    if (o.interp) interpolate = true;
    if (o.noGrad) gradientShading = false;
    if (o.colourMap) colourMap = *o.colourMap;
    if (o.displayWindow) displayWindow = *o.displayWindow;
    for (const GeometryOp& op : o.geometry) {
        switch (op.kind) {
            case GeometryOp::SnapWorld:
                SnapWorld(op.face);
                break;
            case GeometryOp::SnapPlane:
                SnapViewPlane(op.face);
                break;
            case GeometryOp::RotateWorld:
                RotateWorld(op.v[0], op.v[1]);
                break;
            case GeometryOp::RotatePlane:
                RotateViewPlane(op.v[0], op.v[1]);
                break;
            case GeometryOp::RotatePlaneXYZ:
                RotateViewPlaneXYZ(op.v[0], op.v[1], op.v[2]);
                break;
            case GeometryOp::TranslatePlane:
                TranslateViewPlane(op.v[0], op.v[1], op.v[2]);
                break;
            case GeometryOp::Pan:
                PanViewPlane(op.panIn ? PanDirection::In : PanDirection::Out);
                break;
        }
    }
}

}  // namespace calyra::cli
