#include "ui/view_commands.h"

#include <QSaveFile>
#include <filesystem>

#include "base/repaint.h"
#include "formats/open_volume.h"
#include "geometry/orientation.h"
#include "picture/picture_file.h"
#include "render/user_settings.h"
#include "ui/commands.h"
#include "ui/file_chooser.h"
#include "ui/live_view.h"
#include "ui/platform.h"
#include "ui/render_window.h"
#include "volume/model_type.h"
#include "volume/models.h"
#include "volume/volume_store.h"

namespace calyra::ui {
namespace {

const char* const kSaveViewCaption = FileUseCaption(FileUse::SaveView);
const char* const kOpenViewCaption = FileUseCaption(FileUse::OpenView);

void Warn(QWidget* frame, const QString& text, const char* caption) {
    ShowMessage(frame, text, QString::fromLatin1(caption), Icon::Warning);
}

// Reads the view's volume again; false (with a message) when it cannot.
bool LoadViewVolume(QWidget* frame, const ViewVolume& v) {
    const std::string problem = ViewDataFileProblem(v);
    if (!problem.empty()) {
        Warn(frame, QString::fromStdString(problem), kOpenViewCaption);
        return false;
    }
    switch (v.kind) {
        case ViewVolume::Kind::Model: {
            const std::optional<ModelType> model = FindModel(v.model);
            if (!model) {
                Warn(frame,
                     QStringLiteral("The view names an unknown model: ") +
                         QString::fromStdString(v.model),
                     kOpenViewCaption);
                return false;
            }
            modelType = *model;
            RecreateModelWindows(frame);
            return true;
        }
        case ViewVolume::Kind::Raw: {
            const std::string refusal = ImportRefusalReason(v.params, v.options, v.format);
            if (!refusal.empty()) {
                Warn(frame, QString::fromStdString(RefusalMessage(refusal)), kOpenViewCaption);
                return false;
            }
            volumePath = v.path;
            if (!LoadRawVolume(v.format, v.params, v.options)) return false;
            ShowLoadedVolume(frame, kLoadedFileModel);
            return true;
        }
        case ViewVolume::Kind::Open: {
            const formats::OpenOptions options =
                formats::MakeOpenOptions(v.windowLow, v.windowHigh, v.resample);
            if (!formats::OpenVolume(v.path, options)) return false;
            volumePath = v.path;
            ShowLoadedVolume(frame, kLoadedFileModel);
            return true;
        }
        default:
            Warn(frame, QStringLiteral("This program cannot open the view's volume."),
                 kOpenViewCaption);
            return false;
    }
}

}  // namespace

void ShowModelChosen(ModelType model) {
    ShownVolume() = {};
    const std::string name = NameOf(model);
    if (FindModel(name)) {
        ShownVolume().kind = ViewVolume::Kind::Model;
        ShownVolume().model = name;
    }
}

ViewVolume& ShownVolume() {
    static ViewVolume shown;
    return shown;
}

namespace {

std::optional<ViewState>& RenderedView() {
    static std::optional<ViewState> rendered;
    return rendered;
}

}  // namespace

void RememberRenderedView() {
    RenderedView() = CaptureView(ViewVolume{});
}

QString ShownViewText() {
    ViewState view = RenderedView() ? *RenderedView() : CaptureView(ViewVolume{});
    view.volume = ShownVolume();
    // The colours change without a render: the picture shows the current ones.
    view.settings.colourMap = colourMap;
    view.settings.displayWindow = displayWindow;
    return QString::fromStdString(WriteViewText(view));
}

void SaveView(QWidget* frame) {
    if (ShownVolume().kind == ViewVolume::Kind::None) {
        ShowMessage(frame, QString::fromLatin1(kNoViewText), QString::fromLatin1(kSaveViewCaption),
                    Icon::Information);
        return;
    }
    const QString path = ChooseFileFor(frame, FileUse::SaveView);
    if (path.isEmpty()) return;
    // The view saved is that of an exact image on screen.
    BringImageUpToDate();
    QSaveFile file(path);
    const QByteArray text = ShownViewText().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        Warn(frame, QStringLiteral("Could not write the view to %1.").arg(path), kSaveViewCaption);
    }
}

void OpenView(QWidget* frame) {
    const QString path = ChooseFileFor(frame, FileUse::OpenView);
    if (path.isEmpty()) return;
    const QString text = picture::ViewTextOf(path);
    if (text.isEmpty()) {
        Warn(frame,
             QStringLiteral("%1 is neither a view file nor a picture that carries a view.")
                 .arg(path),
             kOpenViewCaption);
        return;
    }
    std::string error;
    const std::optional<ViewState> view = ParseViewText(text.toStdString(), error);
    if (!view) {
        Warn(frame, path + QStringLiteral(": ") + QString::fromStdString(error), kOpenViewCaption);
        return;
    }
    ShowView(frame, *view);
}

bool ShowView(QWidget* frame, const ViewState& view) {
    StopLiveRender();
    if (!LoadViewVolume(frame, view.volume)) return false;
    ShownVolume() = view.volume;
    // After the build, which switched interpolation off.
    SelectRenderType(view.settings.renderType, ViewPanelButtons::Follow);
    SelectColourMap(view.settings.colourMap);
    ApplyViewSettingsAndGeometry(view);
    ShowParameterMarks();
    InvalidateWindow(geometryWindow);
    RequestRender();
    return true;
}

}  // namespace calyra::ui
