// "&Load File...": the file chooser and the "Volume File Import" dialog.
#pragma once

class QWidget;

namespace calyra::ui {

// Chooses a data file, runs the import dialog owned by owner (the render
// window) and invalidates it afterwards; "Open File Procedure FAILED!" when
// no file was chosen.
void ImportVolumeFile(QWidget* owner);

}  // namespace calyra::ui
