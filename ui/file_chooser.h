// The Open File chooser of "&Load File..." and the report of its errors, and
// the plain save and open dialogs of the other file commands.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class QWidget;

namespace calyra::ui {

// The two entries of the chooser's type list, as shown.
inline constexpr char kDataFilesFilter[] = "Data Files (*.)";
inline constexpr char kAllFilesFilter[] = "All Files (*.*)";
// The patterns under them: "*.*" means every name, which on this system is "*".
inline constexpr char kDataFilesPattern[] = "*.";
inline constexpr char kAllFilesPattern[] = "*";

// A type list entry: its label shown, the pattern after it used (the
// chooser hides the pattern part).
QString ChooserFilter(const char* label, const char* pattern);

// Runs the chooser ("Open a File"); 1 when an existing file was chosen and
// volumePath holds its full path, 0 otherwise (errors are reported first).
int ChooseVolumeFile(QWidget* owner);

// The chooser ImportVolumeFile calls; tests put their own in place so that
// no modal file dialog opens. nullptr restores ChooseVolumeFile.
using VolumeFileChooser = int (*)(QWidget* owner);
void SetVolumeFileChooser(VolumeFileChooser chooser);
VolumeFileChooser CurrentVolumeFileChooser();

// The files the picture and view commands ask for.
enum class FileUse {
    SavePicture,
    SaveView,
    OpenView,
    SaveMovie,
    SaveTransferFunction,
    LoadTransferFunction
};
// The dialog's caption for a use; the command's messages carry it too.
const char* FileUseCaption(FileUse use);
// A plain file dialog (never the platform's native one) for the use: the
// chosen path, or empty when the user cancels. Saving offers a name in the
// current folder and adds the use's suffix (if any) to a name without one;
// opening takes existing files only.
QString ChooseFileFor(QWidget* owner, FileUse use);
// Tests answer the file dialogs of ChooseFileFor themselves; an empty
// function restores the dialogs.
using FileUseChooser = std::function<QString(QWidget* owner, FileUse use)>;
void SetFileUseChooser(FileUseChooser chooser);

// The "Data Files" pattern "*." takes the names without a dot.
bool MatchesDataFilesFilter(const QString& fileName);

// The string id (1..29) reported for a chooser error code; 0 for code 0.
int ChooserErrorStringId(std::uint32_t code);
// The text of string id 1..29; empty for other ids.
QString ChooserErrorText(int stringId);
// Shows the error's text owned by owner (default caption, OK button); code 0
// (the user cancelled) shows nothing.
void ReportChooserError(std::uint32_t code, QWidget* owner);

}  // namespace calyra::ui
