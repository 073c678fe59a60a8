// The command dispatcher: one function over every menu and accelerator id.
#pragma once

#include "resources/command_ids.h"

class QWidget;

namespace calyra::ui {

// Carries out command id; returns 1 when the id is known, else 0.
int DispatchCommand(QWidget* frame, int id, int detail = 0);

}  // namespace calyra::ui
