// Turns the menu and accelerator tables into Qt menus and shortcuts.
#pragma once

#include <functional>
#include <span>

#include "resources/accelerator_table.h"
#include "resources/menu_table.h"

class QKeySequence;
class QMenuBar;
class QWidget;

namespace calyra::ui {

// Called with the command id of a chosen item or a pressed accelerator, and
// the detail of the command: 0 from a menu, 1 from an accelerator.
using CommandHandler = std::function<void(int id, int detail)>;

// Fills bar from the table. Every item is registered by id (RegisterMenuItem)
// and enabled; none starts checked. A right-justified pop-up goes into a
// second bar in the top-right corner of bar.
void BuildMenuBar(QMenuBar* bar, std::span<const resources::MenuEntry> table,
                  const CommandHandler& onCommand);

// The key sequence an accelerator entry stands for.
QKeySequence AcceleratorKeys(const resources::AcceleratorEntry& entry);

// Installs one application-wide shortcut per entry on owner; each carries its
// command id in the property kControlIdProperty. Returns false for an empty table.
bool BuildAccelerators(QWidget* owner, std::span<const resources::AcceleratorEntry> table,
                       const CommandHandler& onCommand);

}  // namespace calyra::ui
