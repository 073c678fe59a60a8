// Reading a file in a child process. Some libraries end the whole program on
// a damaged file (an assertion, not an error): read in a child, such a file
// costs only the child, and the user gets a message instead.
#pragma once

#include <functional>

#include "formats/source_volume.h"

namespace calyra::formats {

// Runs read() in a child process and hands its volume back; a FormatError in
// the child comes back as the same FormatError. A child that dies is a
// FormatError naming `library`. Where processes cannot be forked, read() runs
// here.
SourceVolume ReadInChild(const std::function<SourceVolume()>& read, const char* library);

// Off: ReadInChild runs read() here. For the fuzz targets, which see the
// reader's coverage only in their own process and tell a library's abort
// from one of ours themselves.
void SetReadInChild(bool inChild);

}  // namespace calyra::formats
