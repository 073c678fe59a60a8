// The About box (template 1002) and the help file "Calyra.HLP".
#pragma once

class QWidget;
class QString;

namespace calyra::ui {

// Runs the About box modally; returns its result, or -1 without an owner.
int RunAboutBox(QWidget* owner);

// Opens the help file at the topic with this keyword ("CONTENTS"); a
// missing file gives a message box naming it.
void OpenHelp(QWidget* owner, const QString& keyword);

}  // namespace calyra::ui
