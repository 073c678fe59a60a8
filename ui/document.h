// The windowed program's one document: its Session (the volume, World and
// ViewPlane, every setting, the image). StartCalyra begins a fresh one;
// every window and command reads and changes it here.
#pragma once

#include "render/session.h"

namespace calyra::ui {

Session& ProgramSession();

// A fresh document whose repaint requests reach the windows.
void StartNewDocument();

}  // namespace calyra::ui
