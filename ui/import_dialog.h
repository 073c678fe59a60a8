// "&Load File...": the file chooser and the "Volume File Import" dialog.
#pragma once

#include <string>

class QWidget;

namespace calyra::ui {

// Chooses a data file and runs the import dialog for it, owned by owner;
// "Open File Procedure FAILED!" when no file was chosen. Returns true when a
// new volume was loaded; otherwise the current volume is as it was.
bool ImportVolumeFile(QWidget* owner);

// The import dialog for a data file already chosen (volumePath becomes
// path). Returns true when a new volume was loaded; the session then shows
// it (and remembers the file and the parameters as its shown volume).
bool ImportVolumeFromPath(QWidget* owner, const std::string& path);

}  // namespace calyra::ui
