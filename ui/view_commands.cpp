#include "ui/view_commands.h"

#include "base/file_writer.h"
#include "formats/volume_loading.h"
#include "picture/picture_file.h"
#include "render/setting_table.h"
#include "ui/cut_commands.h"
#include "ui/document.h"
#include "ui/file_chooser.h"
#include "ui/live_view.h"
#include "ui/model_windows.h"
#include "ui/platform.h"
#include "ui/recent_menu.h"
#include "ui/render_window.h"
#include "ui/setting_commands.h"
#include "ui/shown_view.h"
#include "ui/slice_window.h"
#include "ui/tf_commands.h"

namespace calyra::ui {
namespace {

const char* const kSaveViewCaption = FileUseCaption(FileUse::SaveView);
const char* const kOpenViewCaption = FileUseCaption(FileUse::OpenView);

void Warn(QWidget* frame, const QString& text, const char* caption) {
    ShowMessage(frame, text, QString::fromLatin1(caption), Icon::Warning);
}

// What reading a volume into the session changes, kept to be put back.
struct ShownDocument {
    std::shared_ptr<const VolumeStore> volume;
    ModelType modelType;
    std::string volumePath;
    ViewVolume shownVolume;
    UserSettings settings;
};
ShownDocument KeepShownDocument(const Session& s) {
    return {s.VoxelVolume, s.modelType, s.volumePath, s.shownVolume, s.settings};
}
void PutBack(Session& s, ShownDocument kept) {
    s.VoxelVolume = std::move(kept.volume);
    s.modelType = kept.modelType;
    s.volumePath = std::move(kept.volumePath);
    s.shownVolume = std::move(kept.shownVolume);
    s.settings = std::move(kept.settings);
}

// Reads the view's volume again and shows it; false (with a message) when it
// cannot, or when the view's settings do not fit it (a crop box past its
// dims): then the volume and the view shown stay.
bool LoadViewVolume(QWidget* frame, const ViewState& view) {
    Session& session = ProgramSession();
    ShownDocument kept = KeepShownDocument(session);
    const ViewVolume& v = view.volume;
    if (!formats::LoadViewVolume(session, v, kOpenViewCaption)) return false;
    if (const std::string reason = CheckForVolume(view.settings, session.volume());
        !reason.empty()) {
        PutBack(session, std::move(kept));
        Warn(frame,
             QStringLiteral("The view does not fit its volume: %1.")
                 .arg(QString::fromStdString(reason)),
             kOpenViewCaption);
        return false;
    }
    const std::optional<ModelType> model = FindModel(v.model);
    ShowLoadedVolume(frame, v.kind == ViewVolume::Kind::Model && model ? *model : kLoadedFileModel);
    return true;
}

}  // namespace

void SaveView(QWidget* frame) {
    if (ProgramSession().shownVolume.kind == ViewVolume::Kind::None) {
        ShowMessage(frame, QString::fromLatin1(kNoViewText), QString::fromLatin1(kSaveViewCaption),
                    Icon::Information);
        return;
    }
    const QString path = ChooseFileFor(frame, FileUse::SaveView);
    if (path.isEmpty()) return;
    // The view saved is that of an exact image on screen.
    BringImageUpToDate();
    const std::string failure =
        WriteFileAtomically(path.toStdString(), ShownViewText().toStdString());
    if (!failure.empty()) Warn(frame, QString::fromStdString(failure), kSaveViewCaption);
}

void OpenView(QWidget* frame) {
    const QString path = ChooseFileFor(frame, FileUse::OpenView);
    if (!path.isEmpty()) OpenViewPath(frame, path);
}

bool OpenViewPath(QWidget* frame, const QString& path) {
    const QString text = picture::ViewTextOf(path);
    if (text.isEmpty()) {
        Warn(frame,
             QStringLiteral("%1 is neither a view file nor a picture that carries a view.")
                 .arg(path),
             kOpenViewCaption);
        return false;
    }
    std::string error;
    const std::optional<ViewState> view = ParseViewText(text.toStdString(), error);
    if (!view) {
        Warn(frame, path + QStringLiteral(": ") + QString::fromStdString(error), kOpenViewCaption);
        return false;
    }
    if (!ShowView(frame, *view)) return false;
    RememberOpenedView(path);
    return true;
}

bool ShowView(QWidget* frame, const ViewState& view) {
    StopLiveRender();
    if (!LoadViewVolume(frame, view)) return false;
    // After the build, which switched interpolation off.
    SelectRenderType(view.settings.renderType, ViewPanelButtons::Follow);
    SelectColourMap(view.settings.colourMap);
    ApplyViewSettingsAndGeometry(ProgramSession(), view);
    AnnounceCutChanged();
    AnnounceTransferFunctionChanged();
    ShowParameterMarks();
    RefreshSliceViews();
    InvalidateWindow(geometryWindow);
    RequestRender(ProgramSession());
    return true;
}

}  // namespace calyra::ui
