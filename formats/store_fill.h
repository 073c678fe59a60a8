// From the file's samples to the store's bytes: the intensity mapping, the
// transposition from file order (x fastest) to store order (z fastest) and
// the resampling of unequal spacings.
#pragma once

#include <cstdint>

#include "formats/open_volume.h"
#include "formats/source_volume.h"

namespace calyra::formats {

// lo/hi of the mapping trunc(((v - lo) x 255) / (hi - lo)).
struct IntensityMapping {
    double lo = 0.0;
    double hi = 0.0;
    bool window = false;    // values outside lo..hi clamp to 0 / 255
    bool identity = false;  // unsigned 8-bit values stored as they are
};

// The mapping for the volume: the window when given, else the finite range
// of its (rescaled) values; 1-bit data span 0..1.
IntensityMapping ChooseMapping(const SourceVolume& volume, const OpenOptions& options);

// One value through the mapping, within 0..255; non-finite values give 0.
std::uint8_t MapValue(double v, const IntensityMapping& m);
// The same into a fine value, trunc(((v - lo) x 65535) / (hi - lo)) within
// 0..65535 (below lo 0, above hi 65535, non-finite 0, 0 when hi == lo).
std::uint16_t MapFine(double v, const IntensityMapping& m);

// Writes the mapped samples into the store and the fine values into its
// fine store (both allocated for `dims`, StoreDimsFor), resampling when dims
// differ from the file's, and sets the fine store's mapping (lo, hi, the
// volume's unit and whether its values are integers). A resampling takes
// the volume's samples once it has mapped them, to give their memory back.
// Returns the largest stored byte; throws std::bad_alloc when memory runs short.
std::uint32_t FillStores(VolumeStore& store, SourceVolume& volume, const IntensityMapping& mapping,
                         Int3 dims);

}  // namespace calyra::formats
