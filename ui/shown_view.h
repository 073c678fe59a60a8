// The view of the image shown: what Save View writes and what a saved
// picture carries, so that a picture and its view always match.
#pragma once

#include <QString>

namespace calyra::ui {

// Called as a render starts: keeps its settings and geometry.
void RememberRenderedView();
// Forgets it (a new document).
void ForgetRenderedView();
// The view of the image shown, as a view file's text: the settings and
// geometry of the last render, or of now when nothing was rendered yet,
// with the volume shown and the colours as they are now.
QString ShownViewText();

}  // namespace calyra::ui
