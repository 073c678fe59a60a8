// Choosing an item of "Open &Recent": the volume or view opened again the
// way it was opened first.
#pragma once

class QWidget;

namespace calyra::ui {

// Opens the remembered entry at index (0 the most recent): a standard file
// or folder as Open Volume does, a raw import with its parameters and no
// dialog, a view as Open View does. One no longer there is named in a
// message and taken off the list.
void OpenRecent(QWidget* frame, int index);

}  // namespace calyra::ui
