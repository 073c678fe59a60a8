// "&Save Image..." and "Co&py Image": the render window's picture kept in a
// file or on the clipboard.
#pragma once

class QWidget;

namespace calyra::ui {

inline constexpr const char* kNoImageText =
    "There is no image yet: choose a model from the Model File menu first.";

// Saves the render window's picture (RenderWindow::picture) under a chosen
// name in the format its extension names; every failure is a message.
void SaveImage(QWidget* frame);
// Puts the same picture on the clipboard.
void CopyImage(QWidget* frame);

}  // namespace calyra::ui
