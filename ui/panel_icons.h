// The panels' icons ("surf", "tran", "slice", "world", "vplane", "front",
// "back", "left", "right", "top", "bot"), drawn in code.
#pragma once

#include <QPixmap>
#include <string_view>

namespace calyra::ui {

// The named icon as a side x side pixmap with a transparent background, or a
// null pixmap for an unknown name or a side below 8 pixels.
QPixmap PanelIcon(std::string_view name, int side);

}  // namespace calyra::ui
