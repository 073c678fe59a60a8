// The items of "Open &Recent": the remembered volumes and views as labels,
// and the places that open one telling the list.
#pragma once

#include <QString>

#include "volume/view_volume.h"

namespace calyra::ui {

inline constexpr const char* kRecentCaption = "Open Recent";
// The label of the first item while nothing is remembered.
inline constexpr const char* kNoRecentText = "(none yet)";

// Sets the items from the list: "&1 PATH" and so on, the rest hidden.
void ShowRecentItems();

// A standard file or folder opened (Open Volume, a drop, the command line).
void RememberOpenedVolume(const QString& path);
// A raw import as the session shows it now (its file and parameters).
void RememberImport(const ViewVolume& shown);
// A view file (or a picture carrying a view) shown with Open View.
void RememberOpenedView(const QString& path);

}  // namespace calyra::ui
