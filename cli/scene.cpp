#include "cli/scene.h"

#include <filesystem>
#include <optional>

#include "base/messages.h"
#include "geometry/orientation.h"
#include "render/user_settings.h"
#include "volume/models.h"
#include "volume/raw_reader.h"
#include "volume/volume_store.h"

namespace calyra::cli {
namespace {

bool ImportRaw(const Options& o) {
    volumePath = *o.raw;
    ImportParams params;
    ImportOptions options;
    ImportStartValues(volumePath, params, options);
    int fileType = 1;
    const std::string sideFile = volumePath + ".inf";
    std::error_code ec;
    if (std::filesystem::exists(sideFile, ec) || !o.dims) {
        // Without --dims the side file is required: its message is the failure.
        fileType = ReadInfFile(params, options);
        if (!o.dims && !std::filesystem::is_regular_file(sideFile, ec)) return false;
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
    if (o.aspect) {
        params.aspectX = (*o.aspect)[0];
        params.aspectY = (*o.aspect)[1];
        params.aspectZ = (*o.aspect)[2];
    }
    if (!ImportParametersAccepted(params, options, ascii)) {
        ReportMessage({kRefusalMessage, "", MessageIcon::Warning, MessageOwner::Dialog});
        return false;
    }
    LoadRawVolume(ascii, params, options);
    return true;
}

}  // namespace

bool BuildSceneVolume(const Options& o) {
    if (o.raw) return ImportRaw(o);
    const std::optional<ModelType> model = FindModel(o.model);
    if (!model) return false;
    ++loadCount;
    BuildModel(*model);
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
