// "Open Volume...", `calyra PATH` and files dropped on the frame: standard
// volume files open directly, any other file goes through the import dialog.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class QWidget;

namespace calyra::ui {

// Runs the chooser: the volume files filter first, then "All Files"; its
// "Open &Folder" button takes the folder shown (a DICOM series). Returns
// the chosen path, empty when cancelled.
QString ChooseVolumePath(QWidget* owner);

// The chooser "Open Volume..." calls; tests put their own in place.
// nullptr restores ChooseVolumePath.
using VolumePathChooser = QString (*)(QWidget* owner);
void SetVolumePathChooser(VolumePathChooser chooser);

// The chooser's first filter: the formats read directly, and raw files.
QString VolumeFilesFilter();

// Opens path: a standard format (or folder) into the store with the wait
// cursor, then the model windows are replaced; any other file through the
// import dialog. A failure shows its message and leaves the volume as it was.
bool OpenVolumePath(QWidget* frame, const QString& path);

// "Open Volume...": the chooser, then OpenVolumePath.
void RunOpenVolume(QWidget* frame);

// Opens the first argument after the program name, if any (`calyra PATH`).
void OpenCommandLinePath(QWidget* frame, const QStringList& arguments);

}  // namespace calyra::ui
