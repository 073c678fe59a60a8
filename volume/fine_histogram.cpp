#include "volume/fine_histogram.h"

#include <vector>

#include "base/worker_pool.h"

namespace calyra {

FineHistogram HistogramOfFineValues(const VolumeStore& v) {
    FineHistogram total{};
    if (!v.fine || v.dims.x < 1 || v.dims.y < 1 || v.dims.z < 1 || v.dims.x > v.allocated.x ||
        v.dims.y > v.allocated.y || v.dims.z > v.allocated.z) {
        return total;
    }
    // One histogram per x plane, summed in order: the same counts for any
    // number of threads.
    std::vector<FineHistogram> planes(static_cast<std::size_t>(v.dims.x));
    ParallelFor(v.dims.x, [&](std::int32_t i) {
        FineHistogram& h = planes[static_cast<std::size_t>(i)];
        h.fill(0);
        const std::int32_t x = i + 1;
        for (std::int32_t y = 1; y <= v.dims.y; ++y) {
            const std::uint16_t* row = v.FineRow(x, y);
            for (std::int32_t z = 1; z <= v.dims.z; ++z) ++h[row[z] >> 8];
        }
    });
    for (const FineHistogram& h : planes)
        for (int b = 0; b < kHistogramBins; ++b) total[b] += h[b];
    return total;
}

double HistogramBinEdge(const ValueMapping& m, int b) {
    return m.lo + (static_cast<double>(b) * (m.hi - m.lo)) / kHistogramBins;
}

}  // namespace calyra
