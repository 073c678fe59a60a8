// Where the installed program finds its data, and its icon.
#pragma once

#include <QIcon>
#include <QString>

namespace calyra::ui {

// The installed data folder, found relative to the executable
// (<prefix>/bin/calyra -> <prefix>/share/calyra), wherever the prefix lies.
QString ShareFolder();

// The data files (the head data set, the help file) are looked for in the
// working directory, then beside the executable, then in ShareFolder().
void InstallDataSearchPath();

// The icon of the frame and of every window it opens.
QIcon ApplicationIcon();

}  // namespace calyra::ui
