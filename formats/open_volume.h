// Standard volume files into the voxel store: NRRD, MetaImage, NIfTI-1/2,
// DICOM (one file of a series, or a folder) and multi-page TIFF.
//
// File voxel (i, j, k), 0-based in storage order, becomes store voxel
// (i+1, j+1, k+1). Unsigned 8-bit values are kept; every other type maps
// its finite range (or the window) onto 0..255. Unequal spacings are
// resampled to cubic voxels of the smallest spacing unless told not to.
// Everything is read and checked before the store is touched, so a file
// that fails leaves the current volume as it was.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "volume/volume_store.h"

namespace calyra::formats {

struct OpenOptions {
    // Fixed intensity window: values below low store 0, above high 255.
    bool window = false;
    double windowLow = 0.0;
    double windowHigh = 0.0;
    // Keep the file's grid even when its spacings differ.
    bool resample = true;
};

// The options for a window given as an optional pair (both or none) and the
// resampling choice, as views and the command line record them.
OpenOptions MakeOpenOptions(std::optional<double> windowLow, std::optional<double> windowHigh,
                            bool resample);

// True when PATH is a folder or a file this library reads (by its content,
// else by its extension); raw files and unknown formats give false.
bool IsVolumeFile(const std::string& path);

// Reads PATH into a new store (after previous, NewStoreAfter). On failure
// reports a message naming the file and the reason and returns null. Notes
// about a file that did load (a 4-D file's first volume, uneven slice gaps)
// are reported as information.
std::shared_ptr<VolumeStore> OpenVolume(const std::string& path, const OpenOptions& options,
                                        const VolumeStore& previous);

// Name patterns of the files OpenVolume reads, for a file chooser's filter
// ("*.nrrd *.nhdr ...").
std::string VolumeFilePatterns();

}  // namespace calyra::formats
