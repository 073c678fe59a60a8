// The accelerator table "CalyraAccel": keys that send a command to the frame
// from any window of the program.
#pragma once

#include <span>

namespace calyra::resources {

enum class AccelKind {
    VirtualKey,  // key is a virtual-key code (0x70 F1 .. 0x7B F12, 'A'..'Z', '0'..'9')
    Character,   // key is the character typed
};

// Modifier flags of an entry.
inline constexpr unsigned kAccelControl = 1;
inline constexpr unsigned kAccelAlt = 2;
inline constexpr unsigned kAccelShift = 4;

struct AcceleratorEntry {
    AccelKind kind;
    int key;
    unsigned modifiers;
    int command;
};

inline constexpr int kVirtualKeyF1 = 0x70;
inline constexpr int kVirtualKeyF2 = 0x71;

std::span<const AcceleratorEntry> AcceleratorTable();

}  // namespace calyra::resources
