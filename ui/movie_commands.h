// "Save Mo&vie...": a whole turn of the view shown, rendered exactly frame
// by frame away from the window thread, into an MP4, WebM or GIF movie.
#pragma once

class QWidget;

namespace calyra::ui {

// Asks for the movie, then renders it at the render window's picture size
// (its smaller side, rounded down to even) with a progress box that can
// cancel; a cancelled or failed movie leaves no file, a failure is a message.
void SaveMovie(QWidget* frame);

}  // namespace calyra::ui
