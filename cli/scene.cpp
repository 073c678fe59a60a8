#include "cli/scene.h"

#include <filesystem>
#include <fstream>
#include <optional>

#include "base/messages.h"
#include "formats/volume_loading.h"
#include "picture/picture_file.h"
#include "render/setting_table.h"
#include "render/transfer_function_presets.h"
#include "render/volume_cut.h"
#include "scene/transfer_function_file.h"
#include "scene/view_file.h"
#include "volume/file_open.h"
#include "volume/raw_reader.h"

namespace calyra::cli {
namespace {

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

// The view of --view, read and its volume loaded.
std::optional<ViewState> BuildFromView(Session& session, const std::string& path) {
    const std::optional<std::string> text = ReadViewText(path);
    if (!text) return std::nullopt;
    std::string error;
    std::optional<ViewState> view = ParseViewText(*text, error);
    if (!view) {
        Fail(path + ": " + error);
        return std::nullopt;
    }
    if (!formats::LoadViewVolume(session, view->volume)) return std::nullopt;
    return view;
}

bool ImportRaw(Session& session, const Options& o) {
    const std::string& path = *o.raw;
    // The data file first: a missing one is named as the data file, not as
    // its missing side file.
    if (!OpenDataFile(path, "rb")) {
        Fail(FormatWithName(kCouldNotReadFile, path));
        return false;
    }
    ImportParams params;
    ImportOptions options;
    ImportStartValues(path, params, options);
    int fileType = 1;
    const std::string sideFile = path + ".inf";
    std::error_code ec;
    if (std::filesystem::is_regular_file(sideFile, ec)) {
        fileType = ReadInfFile(path, params, options);
    } else if (!o.dims) {
        Fail(FormatWithName(kCouldNotReadFile, sideFile) +
             "Without the side file, give the shape with --dims X Y Z (and --bytes N, "
             "--ascii, --reverse, --header-bytes N as the file needs), or write " +
             sideFile + " (see --help).");
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
    return formats::ImportRawVolume(session, path, format, params, options);
}

// One geometry operation; false, with the message reported, when the plane
// has no direction to cut at.
bool ApplyGeometry(Session& session, const GeometryOp& op) {
    Orientation& o = session.orientation;
    switch (op.kind) {
        case GeometryOp::SnapWorld:
            SnapWorld(o, op.face);
            break;
        case GeometryOp::SnapPlane:
            SnapViewPlane(o, op.face);
            break;
        case GeometryOp::RotateWorld:
            RotateWorld(o, op.v[0], op.v[1]);
            break;
        case GeometryOp::RotatePlane:
            RotateViewPlane(o, op.v[0], op.v[1]);
            break;
        case GeometryOp::RotatePlaneXYZ:
            RotateViewPlaneXYZ(o, op.v[0], op.v[1], op.v[2]);
            break;
        case GeometryOp::TranslatePlane:
            TranslateViewPlane(o, op.v[0], op.v[1], op.v[2]);
            break;
        case GeometryOp::Pan:
            PanViewPlane(o, op.panIn ? PanDirection::In : PanDirection::Out);
            break;
        case GeometryOp::CutAtPlane: {
            const std::optional<ClipPlane> plane = ClipAtViewPlane(o, session.volume().size);
            if (!plane) {
                Fail("--cut-at-plane: the viewing plane has no direction to cut at");
                return false;
            }
            session.settings.clip = *plane;
            break;
        }
    }
    return true;
}

// --tf: a preset made for the volume's range (it follows the volume from
// then on), or a file read against that range. A refused file names itself
// and its reason; notes on what was read otherwise go to stderr.
bool ApplyTransferFunction(Session& session, const std::string& name) {
    const ValueMapping& m = session.volume().mapping;
    if (std::optional<TransferFunction> preset = PresetTransferFunction(name, m.lo, m.hi)) {
        session.settings.transferFunction = std::move(*preset);
        return true;
    }
    std::vector<std::string> notes;
    std::string error;
    std::optional<TransferFunction> tf = ReadTransferFunctionFile(name, m.lo, m.hi, notes, error);
    if (!tf) {
        Fail(error);
        return false;
    }
    for (const std::string& note : notes) {
        ReportMessage(
            {name + ": " + note, "", MessageIcon::Information, MessageOwner::None, false});
    }
    session.settings.transferFunction = std::move(*tf);
    return true;
}

}  // namespace

bool BuildScene(Session& session, const Options& o) {
    std::optional<ViewState> view;
    if (o.raw) {
        if (!ImportRaw(session, o)) return false;
    } else if (o.open) {
        ViewVolume v;
        v.kind = ViewVolume::Kind::Open;
        v.path = *o.open;
        if (o.window) {
            v.windowLow = (*o.window)[0];
            v.windowHigh = (*o.window)[1];
        }
        v.resample = !o.noResample;
        if (!formats::OpenStandardVolume(session, v)) return false;
    } else if (o.view) {
        view = BuildFromView(session, *o.view);
        if (!view) return false;
    } else if (!formats::BuildNamedModel(session, o.model)) {
        return false;
    }
    // The view's settings after the build, which switched interpolation off.
    if (view) ApplyViewSettingsAndGeometry(session, *view);
    for (const SettingWords& given : o.settings) {
        RowOf(given.setting).read(given.words, session.settings);
    }
    if (o.tf && !ApplyTransferFunction(session, *o.tf)) return false;
    // A crop box past this volume's dims is refused before anything is written.
    if (const std::string reason = CheckForVolume(session.settings, session.volume());
        !reason.empty()) {
        Fail("the settings do not fit the volume: " + reason);
        return false;
    }
    for (const GeometryOp& op : o.geometry) {
        if (!ApplyGeometry(session, op)) return false;
    }
    return true;
}

std::string SceneViewText(const Session& session) {
    return WriteViewText(CaptureView(session));
}

}  // namespace calyra::cli
