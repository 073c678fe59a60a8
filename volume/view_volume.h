// Where a volume came from, so that it can be read again: a built-in model,
// a raw import with its parameters, or a standard file with its open options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "volume/raw_reader.h"

namespace calyra {

struct ViewVolume {
    enum class Kind { None, Model, Raw, Open };
    Kind kind = Kind::None;
    std::string model;  // Model: a model name ("cone")
    std::string path;   // Raw, Open: the data file or folder
    // Raw: the import as it was accepted.
    ImportParams params;
    ImportOptions options;
    RawFormat format = RawFormat::Binary;
    // Open: the intensity window and whether unequal spacings were resampled.
    std::optional<double> windowLow, windowHigh;
    bool resample = true;
    // Raw, Open: the data file's size when the view was saved (0: a folder).
    std::uint64_t fileBytes = 0;
};

// Why the view's data file cannot serve it: missing, or of another size
// than when the view was saved (a folder counts by its presence alone).
// Empty when it can, and for models.
std::string ViewDataFileProblem(const ViewVolume& volume);
// The size to record for a data file: its bytes, 0 for a folder.
std::uint64_t ViewDataFileBytes(const std::string& path);

}  // namespace calyra
