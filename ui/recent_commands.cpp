#include "ui/recent_commands.h"

#include <QFileInfo>

#include "formats/volume_loading.h"
#include "ui/document.h"
#include "ui/live_view.h"
#include "ui/mdi_children.h"
#include "ui/model_windows.h"
#include "ui/platform.h"
#include "ui/recent_list.h"
#include "ui/recent_menu.h"
#include "ui/view_commands.h"
#include "ui/volume_opener.h"

namespace calyra::ui {
namespace {

bool ImportAgain(QWidget* frame, const RecentEntry& e) {
    StopLiveRender();
    Session& session = ProgramSession();
    const std::string path = e.path.toStdString();
    session.volumePath = path;
    if (!formats::ImportRawVolume(session, path, e.format, e.params, e.options)) return false;
    ShowLoadedVolume(frame);
    NameOpenFile(frame, e.path);
    RememberImport(session.shownVolume);
    return true;
}

}  // namespace

void OpenRecent(QWidget* frame, int index) {
    const std::vector<RecentEntry> entries = RecentEntries();
    if (index < 0 || index >= static_cast<int>(entries.size())) return;
    const RecentEntry& e = entries[static_cast<std::size_t>(index)];
    if (!QFileInfo::exists(e.path)) {
        ForgetRecent(index);
        ShowRecentItems();
        ShowMessage(
            frame,
            QStringLiteral("%1 is no longer there; it is taken off the recent list.").arg(e.path),
            QString::fromLatin1(kRecentCaption), Icon::Warning);
        return;
    }
    switch (e.kind) {
        case RecentEntry::Kind::Volume:
            OpenVolumePath(frame, e.path);
            return;
        case RecentEntry::Kind::Raw:
            ImportAgain(frame, e);
            return;
        case RecentEntry::Kind::View:
            OpenViewPath(frame, e.path);
            return;
    }
}

}  // namespace calyra::ui
