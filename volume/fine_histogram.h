// How often each range of fine values occurs in a volume: what the
// transfer-function editor draws behind its curves.
#pragma once

#include <array>
#include <cstdint>

#include "volume/volume_store.h"

namespace calyra {

// 256 bins over lo..hi of the mapping: bin b counts the voxels of fine value
// 256 b .. 256 b + 255, that is of file values lo + b (hi - lo) / 256 up to
// the next bin's. Only the data count, x 1..dimX, y 1..dimY, z 1..dimZ, not
// the zero borders; an empty store counts nothing.
inline constexpr int kHistogramBins = 256;
using FineHistogram = std::array<std::uint64_t, kHistogramBins>;
FineHistogram HistogramOfFineValues(const VolumeStore& v);

// The file value at the low edge of bin b (b = kHistogramBins: hi).
double HistogramBinEdge(const ValueMapping& m, int b);

}  // namespace calyra
