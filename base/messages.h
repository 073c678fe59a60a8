// The one place where the core reports what the user must see.
//
// The core never opens a window. Every failure message goes through the
// message sink: the windowed program routes it to a message box, the batch
// renderer to a line on stderr. The busy hook stands for the wait cursor.
#pragma once

#include <functional>
#include <string>

namespace calyra {

// None: a box without an icon (the windowed program's own plain boxes).
enum class MessageIcon { None, Information, Warning, Error };

// Who owns the box: none (a box without owner), the render window, or the
// dialog that is open. Front-ends that have no windows ignore it.
enum class MessageOwner { None, RenderWindow, Dialog, Frame };

struct Message {
    std::string text;     // exact text, escapes already expanded
    std::string caption;  // empty: the platform's default caption
    MessageIcon icon = MessageIcon::Warning;
    MessageOwner owner = MessageOwner::None;
    // A note about a load that succeeded (a short or long raw file): shown
    // like any message, but not a failure of the command.
    bool failure = true;
};

using MessageSink = std::function<void(const Message&)>;

// Installs a sink; an empty function restores the default (stderr).
void SetMessageSink(MessageSink sink);
void ReportMessage(const Message& message);

// printf-style formatting of a message text with one string argument,
// e.g. FormatWithName("Could not read file %s\n", path).
std::string FormatWithName(const char* format, const std::string& name);

// Wait cursor around long operations: busy(true) before, busy(false) after.
using BusyHook = std::function<void(bool busy)>;
void SetBusyHook(BusyHook hook);
void SetBusy(bool busy);

// Texts shared by several sources.
inline constexpr const char* kCouldNotReadFile = "Could not read file %s\n";
inline constexpr const char* kNotEnoughMemoryForVolume = "Not enough memory for the volume.";

}  // namespace calyra
