#include "cli/scene.h"

#include <filesystem>
#include <map>

#include "formats/open_volume.h"
#include "geometry/orientation.h"
#include "render/settings.h"
#include "volume/file_open.h"
#include "volume/messages.h"
#include "volume/models.h"
#include "volume/raw_reader.h"
#include "volume/volume_store.h"

namespace calyra::cli {
namespace {

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
        ReportMessage({FormatWithName(kCouldNotReadFile, sideFile) +
                           "Without the side file, give the shape with --dims X Y Z (and --bytes N, "
                           "--ascii, --reverse, --header-bytes N as the file needs), or write " +
                           sideFile + " (see --help).",
                       "", MessageIcon::Warning, MessageOwner::None});
        return false;
    }
    bool ascii = fileType == 0;
    if (o.dims) {
        params.dimX = (*o.dims)[0];
        params.dimY = (*o.dims)[1];
        params.dimZ = (*o.dims)[2];
    }
    if (o.bytes) options.bytesPerVoxel = *o.bytes;
    if (o.ascii) ascii = true;
    if (o.reverse) options.reverseBytes = 1;
    if (o.headerBytes) options.headerBytes = *o.headerBytes;
    if (o.aspect) {
        params.aspectX = (*o.aspect)[0];
        params.aspectY = (*o.aspect)[1];
        params.aspectZ = (*o.aspect)[2];
    }
    const std::string refusal = ImportRefusalReason(params, options, ascii);
    if (!refusal.empty()) {
        ReportMessage({RefusalMessage(refusal), "", MessageIcon::Warning, MessageOwner::Dialog});
        return false;
    }
    return LoadRawVolume(ascii, params, options);
}

}  // namespace

bool BuildSceneVolume(const Options& o) {
    if (o.raw) return ImportRaw(o);
    if (o.open) {
        formats::OpenOptions options;
        if (o.window) {
            options.window = true;
            options.windowLow = (*o.window)[0];
            options.windowHigh = (*o.window)[1];
        }
        options.resample = !o.noResample;
        return formats::OpenVolume(*o.open, options);
    }
    static const std::map<std::string, int> models = {{"ball", 0},        {"head", 2},
                                                      {"hyperboloid", 6}, {"cone", 7},
                                                      {"monkey", 8},      {"combined", 9}};
    modelType = models.at(o.model);
    VoxelVolume.source = SourceForModel(modelType);
    ++loadCount;
    BuildVolume();
    return true;
}

void ApplySettingsAndGeometry(const Options& o) {
    if (o.type) {
        renderType = *o.type == "surface" ? Surface : (*o.type == "transparent" ? Transparent : Slice);
    }
    if (o.threshold) threshold = *o.threshold;
    if (o.interp) interpolate = true;
    if (o.noGrad) gradientShading = false;
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
