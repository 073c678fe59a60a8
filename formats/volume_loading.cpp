#include "formats/volume_loading.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "base/messages.h"
#include "formats/open_volume.h"
#include "volume/model_type.h"
#include "volume/raw_reader.h"

namespace calyra::formats {
namespace {

void Fail(const std::string& text, const std::string& caption = "",
          MessageOwner owner = MessageOwner::Frame) {
    ReportMessage({text, caption, MessageIcon::Warning, owner});
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

}  // namespace

bool BuildNamedModel(Session& session, const std::string& name, const std::string& caption) {
    const std::optional<ModelType> model = FindModel(name);
    if (!model) {
        Fail(kUnknownViewModel + name, caption);
        return false;
    }
    BuildModel(session, *model);
    session.shownVolume = {};
    session.shownVolume.kind = ViewVolume::Kind::Model;
    session.shownVolume.model = name;
    return true;
}

bool ImportRawVolume(Session& session, const std::string& path, RawFormat format,
                     const ImportParams& params, const ImportOptions& options) {
    const std::string refusal = ImportRefusalReason(params, options, format);
    if (!refusal.empty()) {
        Fail(RefusalMessage(refusal), "", MessageOwner::Dialog);
        return false;
    }
    const std::string previousPath = session.volumePath;
    session.volumePath = path;
    if (!LoadRawIntoSession(session, format, params, options)) {
        session.volumePath = previousPath;
        return false;
    }
    ViewVolume& shown = session.shownVolume;
    shown = {};
    shown.kind = ViewVolume::Kind::Raw;
    shown.path = Absolute(path);
    shown.params = params;
    shown.options = options;
    shown.format = format;
    shown.fileBytes = ViewDataFileBytes(path);
    return true;
}

bool OpenStandardVolume(Session& session, const ViewVolume& v) {
    std::shared_ptr<VolumeStore> store = OpenVolume(
        v.path, MakeOpenOptions(v.windowLow, v.windowHigh, v.resample), session.volume());
    if (!store) return false;
    session.volumePath = v.path;
    session.ReplaceVolume(std::move(store));
    session.shownVolume = v;
    session.shownVolume.kind = ViewVolume::Kind::Open;
    session.shownVolume.path = Absolute(v.path);
    session.shownVolume.fileBytes = ViewDataFileBytes(v.path);
#ifdef __GLIBC__
    // The readers' buffers are gone; hand their pages back rather than keep
    // them for allocations of that size that will not come.
    malloc_trim(0);
#endif
    return true;
}

bool LoadViewVolume(Session& session, const ViewVolume& v, const std::string& caption) {
    const std::string problem = ViewDataFileProblem(v);
    if (!problem.empty()) {
        Fail(problem, caption);
        return false;
    }
    switch (v.kind) {
        case ViewVolume::Kind::Model:
            return BuildNamedModel(session, v.model, caption);
        case ViewVolume::Kind::Raw:
            return ImportRawVolume(session, v.path, v.format, v.params, v.options);
        case ViewVolume::Kind::Open:
            return OpenStandardVolume(session, v);
        case ViewVolume::Kind::None:
            break;
    }
    Fail("This program cannot open the view's volume.", caption);
    return false;
}

}  // namespace calyra::formats
