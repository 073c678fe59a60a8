#include "ui/menu_builder.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <vector>

#include "ui/platform.h"

namespace calyra::ui {

using resources::AcceleratorEntry;
using resources::AccelKind;
using resources::MenuEntry;
using resources::MenuKind;

void BuildMenuBar(QMenuBar* bar, std::span<const MenuEntry> table,
                  const CommandHandler& onCommand) {
    if (!bar) return;
    // The menus open at this moment; empty while a top-level title comes next.
    std::vector<QMenu*> open;
    QMenuBar* rightBar = nullptr;

    for (const MenuEntry& entry : table) {
        const QString text = QString::fromLatin1(entry.text);
        switch (entry.kind) {
            case MenuKind::Popup: {
                if (!open.empty()) {
                    open.push_back(open.back()->addMenu(text));
                } else if (text.startsWith(QChar(resources::kRightJustify))) {
                    // Qt has no right-justified title: a second bar in the corner stands in.
                    if (!rightBar) {
                        rightBar = new QMenuBar(bar);
                        bar->setCornerWidget(rightBar, Qt::TopRightCorner);
                    }
                    open.push_back(rightBar->addMenu(text.mid(1)));
                } else {
                    open.push_back(bar->addMenu(text));
                }
                break;
            }
            case MenuKind::EndPopup:
                if (!open.empty()) open.pop_back();
                break;
            case MenuKind::Separator:
                if (!open.empty()) open.back()->addSeparator();
                break;
            case MenuKind::Item: {
                if (open.empty()) break;
                QAction* action = open.back()->addAction(text);
                action->setProperty(kControlIdProperty, entry.id);
                const int id = entry.id;
                QObject::connect(action, &QAction::triggered, action,
                                 [onCommand, id] { onCommand(id, 0); });
                RegisterMenuItem(id, action);
                break;
            }
        }
    }
}

QKeySequence AcceleratorKeys(const AcceleratorEntry& entry) {
    int key = 0;
    if (entry.kind == AccelKind::VirtualKey) {
        if (entry.key >= resources::kVirtualKeyF1 && entry.key < resources::kVirtualKeyF1 + 24) {
            key = Qt::Key_F1 + (entry.key - resources::kVirtualKeyF1);
        } else {
            // Letters and digits: virtual-key codes equal the upper-case character.
            key = entry.key;
        }
    } else {
        // Qt's key codes of printable ASCII characters are the characters themselves.
        key = QChar(entry.key).toUpper().unicode();
    }
    Qt::KeyboardModifiers modifiers;
    if (entry.modifiers & resources::kAccelControl) modifiers |= Qt::ControlModifier;
    if (entry.modifiers & resources::kAccelAlt) modifiers |= Qt::AltModifier;
    if (entry.modifiers & resources::kAccelShift) modifiers |= Qt::ShiftModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

bool BuildAccelerators(QWidget* owner, std::span<const AcceleratorEntry> table,
                       const CommandHandler& onCommand) {
    if (!owner || table.empty()) return false;
    for (const AcceleratorEntry& entry : table) {
        auto* shortcut = new QShortcut(AcceleratorKeys(entry), owner);
        // The message loop offers every message of the program to the table.
        shortcut->setContext(Qt::ApplicationShortcut);
        shortcut->setProperty(kControlIdProperty, entry.command);
        const int id = entry.command;
        QObject::connect(shortcut, &QShortcut::activated, owner,
                         [onCommand, id] { onCommand(id, 1); });
    }
    return true;
}

}  // namespace calyra::ui
