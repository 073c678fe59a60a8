#include "render/brick_map.h"

#include <algorithm>
#include <cmath>

#include "base/worker_pool.h"
#include "volume/volume_store.h"

namespace calyra {

void BrickMap::Build(const VolumeSampler& s, const VolumeStore& volume) {
    const Key key{volume.identity, volume.generation, s.base,     s.dimX, s.dimY,
                  s.dimZ,          s.mirror,          s.trilinear};
    if (key == key_) return;
    key_ = key;
    sampler_ = s;
    sampler_.cut = {};  // the tables describe the whole volume
    limit_ = -2;
    cells_.clear();
    fineMin_.clear();
    fineMax_.clear();
    const std::int32_t nx = std::max(s.dimX, 0), ny = std::max(s.dimY, 0), nz = std::max(s.dimZ, 0);
    bx_ = (nx >> kShift) + 1;
    by_ = (ny >> kShift) + 1;
    bz_ = (nz >> kShift) + 1;
    max_.assign(static_cast<std::size_t>(bx_) * by_ * bz_, 0);
    if (!s.base || nx == 0 || ny == 0 || nz == 0) return;

    // Cells ix = 1..dimX-1 read voxels ix (and ix + 1 with trilinear samples).
    const std::int32_t extra = s.trilinear ? 1 : 0;
    // Cell iz reads slice m(iz) (and m(iz) + 1), m the mirror map: the
    // identity up to halfZ, then iz -> dimZ - 1 - iz. Each brick's cells read
    // one or two contiguous runs of slices.
    const std::int32_t half = s.mirror ? s.halfZ : nz;
    auto runMax = [](const std::uint8_t* column, std::int32_t from, std::int32_t to) {
        std::uint8_t m = 0;
        for (std::int32_t z = from; z <= to; ++z) m = column[z] > m ? column[z] : m;
        return m;
    };
    // One slab of bricks along x at a time, so that the column maxima need
    // only the slab's few voxel columns, not a table of the whole volume's.
    ParallelFor(bx_, [&](std::int32_t bx) {
        const std::int32_t x0 = bx << kShift;
        const std::int32_t x1 = std::min(x0 + (1 << kShift) - 1 + extra, nx);
        if (x0 > x1) return;
        // Per voxel column (x, y) of the slab, the largest voxel read by the
        // cells of each z brick.
        std::vector<std::uint8_t> columns(static_cast<std::size_t>(x1 - x0 + 1) * (ny + 1) * bz_);
        for (std::int32_t x = x0; x <= x1; ++x) {
            for (std::int32_t y = 0; y <= ny; ++y) {
                const std::uint8_t* column = s.Voxel(x, y, 0);
                std::uint8_t* out =
                    &columns[(static_cast<std::size_t>(x - x0) * (ny + 1) + y) * bz_];
                for (std::int32_t bz = 0; bz < bz_; ++bz) {
                    const std::int32_t first = std::max(bz << kShift, 1);
                    const std::int32_t last = std::min((bz << kShift) + (1 << kShift) - 1, nz - 1);
                    std::uint8_t m = 0;
                    // Cells first..last up to half read themselves.
                    const std::int32_t lowEnd = std::min(last, half);
                    if (first <= lowEnd) m = std::max(m, runMax(column, first, lowEnd + extra));
                    // Cells above half read the mirrored slices.
                    const std::int32_t highStart = std::max(first, half + 1);
                    if (highStart <= last) {
                        m = std::max(m, runMax(column, nz - 1 - last, nz - 1 - highStart + extra));
                    }
                    out[bz] = m;
                }
            }
        }
        // Bricks over x and y, each cell reading up to one voxel further.
        for (std::int32_t by = 0; by < by_; ++by) {
            const std::int32_t y0 = by << kShift;
            const std::int32_t y1 = std::min(y0 + (1 << kShift) - 1 + extra, ny);
            std::uint8_t* out = &max_[(static_cast<std::size_t>(bx) * by_ + by) * bz_];
            for (std::int32_t x = x0; x <= x1; ++x) {
                for (std::int32_t y = y0; y <= y1; ++y) {
                    const std::uint8_t* in =
                        &columns[(static_cast<std::size_t>(x - x0) * (ny + 1) + y) * bz_];
                    for (std::int32_t bz = 0; bz < bz_; ++bz) out[bz] = std::max(out[bz], in[bz]);
                }
            }
        }
    });
}

}  // namespace calyra

namespace calyra {

void BrickMap::BuildFine(const std::uint16_t* fine, std::int64_t xStride, std::int64_t yStride) {
    if (!fineMin_.empty() || max_.empty()) return;
    const VolumeSampler& s = sampler_;
    fineMin_.assign(max_.size(), 0xFFFF);
    fineMax_.assign(max_.size(), 0);
    const std::int32_t nx = std::max(s.dimX, 0), ny = std::max(s.dimY, 0), nz = std::max(s.dimZ, 0);
    if (!fine || nx < 2 || ny < 2 || nz < 2) return;
    // The cells of a brick and the voxels their samples read, as Build
    // counts them: cell iz reads slice m(iz) (and the next with trilinear
    // samples), m the mirror map.
    const std::int32_t extra = s.trilinear ? 1 : 0;
    const std::int32_t half = s.mirror ? s.halfZ : nz;
    ParallelFor(bx_, [&](std::int32_t bx) {
        const std::int32_t cx0 = std::max(bx << kShift, 1);
        const std::int32_t cx1 = std::min((bx << kShift) + (1 << kShift) - 1, nx - 1);
        if (cx0 > cx1) return;
        for (std::int32_t by = 0; by < by_; ++by) {
            const std::int32_t cy0 = std::max(by << kShift, 1);
            const std::int32_t cy1 = std::min((by << kShift) + (1 << kShift) - 1, ny - 1);
            if (cy0 > cy1) continue;
            const std::size_t row = (static_cast<std::size_t>(bx) * by_ + by) * bz_;
            for (std::int32_t bz = 0; bz < bz_; ++bz) {
                const std::int32_t cz0 = std::max(bz << kShift, 1);
                const std::int32_t cz1 = std::min((bz << kShift) + (1 << kShift) - 1, nz - 1);
                if (cz0 > cz1) continue;
                std::uint16_t lo = 0xFFFF, hi = 0;
                auto run = [&](std::int32_t from, std::int32_t to) {
                    for (std::int32_t x = cx0; x <= cx1 + extra; ++x) {
                        for (std::int32_t y = cy0; y <= cy1 + extra; ++y) {
                            const std::uint16_t* column = fine + x * xStride + y * yStride;
                            for (std::int32_t z = from; z <= to; ++z) {
                                lo = std::min(lo, column[z]);
                                hi = std::max(hi, column[z]);
                            }
                        }
                    }
                };
                const std::int32_t lowEnd = std::min(cz1, half);
                if (cz0 <= lowEnd) run(cz0, lowEnd + extra);
                const std::int32_t highStart = std::max(cz0, half + 1);
                if (highStart <= cz1) run(nz - 1 - cz1, nz - 1 - highStart + extra);
                fineMin_[row + bz] = lo;
                fineMax_[row + bz] = hi;
            }
        }
    });
}

void BrickMap::SetOpacityRule(const float* opacity) {
    constexpr int kEntries = 4096;
    std::vector<std::uint64_t> opaque(kEntries / 64, 0);
    for (int e = 0; e < kEntries; ++e) {
        if (opacity[e] > 0.0f)
            opaque[static_cast<std::size_t>(e / 64)] |= std::uint64_t{1} << (e % 64);
    }
    if (limit_ == kOpacityRule && opaque == opaqueEntries_ && reach_.size() == max_.size() + kPad) {
        return;
    }
    limit_ = kOpacityRule;
    opaqueEntries_ = std::move(opaque);
    cells_.clear();
    // How many opaque entries lie below each entry: a range holds one when
    // the counts at its ends differ.
    std::vector<std::int32_t> below(kEntries + 1, 0);
    for (int e = 0; e < kEntries; ++e) below[e + 1] = below[e] + (opacity[e] > 0.0f ? 1 : 0);
    loud_.assign(max_.size(), 0);
    if (fineMin_.size() == max_.size()) {
        for (std::size_t k = 0; k < max_.size(); ++k) {
            if (fineMin_[k] > fineMax_[k]) continue;  // no cell
            loud_[k] = below[(fineMax_[k] >> 4) + 1] > below[fineMin_[k] >> 4];
        }
    } else {
        std::fill(loud_.begin(), loud_.end(), 1);
    }
    SetReach();
}

void BrickMap::BuildCells(const VolumeSampler& s, std::int32_t limit, bool flatIsQuiet) {
    cells_.clear();
    loud_.assign(max_.size(), 0);
    for (std::size_t k = 0; k < max_.size(); ++k) loud_[k] = max_[k] > limit;
    const std::int32_t nx = std::max(s.dimX, 0), ny = std::max(s.dimY, 0), nz = std::max(s.dimZ, 0);
    const std::size_t count = static_cast<std::size_t>(nx + 1) * (ny + 1) * (nz + 1);
    if (limit < 0 || !s.base || nx < 2 || ny < 2 || nz < 2 || count > kMaxCellBytes) return;
    cy_ = ny + 1;
    cz_ = nz + 1;
    cells_.assign(count + kPad, 0);
    const int corners = s.trilinear ? 8 : 1;
    const std::int64_t dz = 1, dy = s.yStride, dx = s.xStride;
    // The voxels one sample or gradient of a cell reads (the weights are
    // zero for the others): the 2 x 2 x 2 cell with trilinear samples, the
    // voxel and its six neighbours without.
    auto readMax = [&](const VolumeSampler::Cell& c) {
        const std::uint8_t* v = s.Voxel(c.ix, c.iy, c.iz);
        if (!s.trilinear) return std::int32_t{*v};
        return std::int32_t{
            std::max({v[0], v[1], v[dy], v[dy + 1], v[dx], v[dx + 1], v[dx + dy], v[dx + dy + 1]})};
    };
    auto flat = [&](const VolumeSampler::Cell& c) {
        const std::uint8_t* v = s.Voxel(c.ix, c.iy, c.iz);
        if (s.trilinear) {
            return v[1] == v[0] && v[dy] == v[0] && v[dy + 1] == v[0] && v[dx] == v[0] &&
                   v[dx + 1] == v[0] && v[dx + dy] == v[0] && v[dx + dy + 1] == v[0];
        }
        const std::uint8_t below = c.iz >= 1 ? v[-dz] : 0;
        return v[dx] == v[-dx] && v[dy] == v[-dy] && v[dz] == below;
    };
    // Tasks of one brick column in x each, so that every brick's flag has
    // one writer.
    ParallelFor(bx_, [&](std::int32_t bx) {
        const std::int32_t x0 = std::max(bx << kShift, 1);
        const std::int32_t x1 = std::min((bx << kShift) + (1 << kShift), nx);
        for (std::int32_t ix = x0; ix < x1; ++ix) {
            for (std::int32_t iy = 1; iy < ny; ++iy) {
                std::uint8_t* out = &cells_[(static_cast<std::size_t>(ix) * cy_ + iy) * cz_];
                const std::size_t brickRow =
                    (static_cast<std::size_t>(bx) * by_ + (iy >> kShift)) * bz_;
                for (std::int32_t iz = 1; iz < nz; ++iz) {
                    if (!loud_[brickRow + (iz >> kShift)]) continue;
                    const VolumeSampler::Cell sampleCell = s.CellAt(ix, iy, iz, 0, Lookup::Sample);
                    if (readMax(sampleCell) <= limit) continue;
                    const VolumeSampler::Cell gradientCell =
                        s.CellAt(ix, iy, iz, 0, Lookup::Gradient);
                    if (flatIsQuiet && flat(gradientCell)) continue;
                    std::uint8_t bits = 0;
                    for (int corner = 0; corner < corners; ++corner) {
                        const VolumeSampler::Cell c = s.CellAt(ix, iy, iz, corner, Lookup::Sample);
                        if (static_cast<std::int32_t>(s.SampleCell(c)) <= limit) continue;
                        if (flatIsQuiet) {
                            const Int3 g =
                                s.GradientCell(s.CellAt(ix, iy, iz, corner, Lookup::Gradient));
                            if (g.x == 0 && g.y == 0 && g.z == 0) continue;
                        }
                        bits = static_cast<std::uint8_t>(bits | (1u << corner));
                    }
                    out[iz] = bits;
                }
            }
        }
        // A brick stays loud only when one of its cells is.
        for (std::int32_t by = 0; by < by_; ++by) {
            for (std::int32_t bz = 0; bz < bz_; ++bz) {
                std::uint8_t& flag = loud_[(static_cast<std::size_t>(bx) * by_ + by) * bz_ + bz];
                if (!flag) continue;
                std::uint8_t any = 0;
                const std::int32_t y0 = std::max(by << kShift, 1), z0 = std::max(bz << kShift, 1);
                const std::int32_t y1 = std::min((by << kShift) + (1 << kShift), ny);
                const std::int32_t z1 = std::min((bz << kShift) + (1 << kShift), nz);
                for (std::int32_t ix = x0; ix < x1 && !any; ++ix) {
                    for (std::int32_t iy = y0; iy < y1; ++iy) {
                        const std::uint8_t* row =
                            &cells_[(static_cast<std::size_t>(ix) * cy_ + iy) * cz_];
                        for (std::int32_t iz = z0; iz < z1; ++iz) any |= row[iz];
                    }
                }
                flag = any != 0;
            }
        }
    });
}

void BrickMap::SetQuietRule(std::int32_t limit, bool flatIsQuiet) {
    if (limit == limit_ && flatIsQuiet == flatIsQuiet_ && reach_.size() == max_.size() + kPad) {
        return;
    }
    limit_ = limit;
    flatIsQuiet_ = flatIsQuiet;
    BuildCells(sampler_, limit, flatIsQuiet);
    SetReach();
}

void BrickMap::SetReach() {
    reach_.assign(max_.size() + kPad, 0);
    constexpr auto kFar = static_cast<std::uint8_t>(kFarReach);
    for (std::size_t k = 0; k < max_.size(); ++k) reach_[k] = loud_[k] ? 0 : kFar;
    // Chebyshev distance to the nearest loud brick, by a forward and a
    // backward sweep over the 26 neighbours; beyond the grid everything is
    // outside the volume and quiet.
    auto at = [&](std::int32_t x, std::int32_t y, std::int32_t z) -> std::uint8_t& {
        return reach_[(static_cast<std::size_t>(x) * by_ + y) * bz_ + z];
    };
    auto relax = [&](std::int32_t x, std::int32_t y, std::int32_t z, int sign) {
        std::uint8_t& here = at(x, y, z);
        if (here == 0) return;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dz = -1; dz <= 1; ++dz) {
                    // Only neighbours the sweep has already visited.
                    const int order = dx * 9 + dy * 3 + dz;
                    if (order * sign >= 0) continue;
                    const std::int32_t nx = x + dx, ny = y + dy, nz = z + dz;
                    if (nx < 0 || ny < 0 || nz < 0 || nx >= bx_ || ny >= by_ || nz >= bz_) continue;
                    here =
                        std::min<std::uint8_t>(here, static_cast<std::uint8_t>(at(nx, ny, nz) + 1));
                }
    };
    for (std::int32_t x = 0; x < bx_; ++x)
        for (std::int32_t y = 0; y < by_; ++y)
            for (std::int32_t z = 0; z < bz_; ++z) relax(x, y, z, 1);
    for (std::int32_t x = bx_ - 1; x >= 0; --x)
        for (std::int32_t y = by_ - 1; y >= 0; --y)
            for (std::int32_t z = bz_ - 1; z >= 0; --z) relax(x, y, z, -1);
}

}  // namespace calyra

namespace calyra {

std::int64_t BrickMap::QuietSteps(const Point3& origin, const Point3& step, std::int64_t steps,
                                  const Point3& low, const Point3& high) const {
    if (steps <= 0) return 0;
    if (reach_.size() != max_.size() + kPad || max_.empty()) return 0;
    const double o[3] = {origin.x, origin.y, origin.z};
    const double d[3] = {step.x, step.y, step.z};
    const double lows[3] = {low.x, low.y, low.z};
    const double highs[3] = {high.x, high.y, high.z};
    const std::int32_t lastCells[3] = {static_cast<std::int32_t>(high.x),
                                       static_cast<std::int32_t>(high.y),
                                       static_cast<std::int32_t>(high.z)};
    const double n = static_cast<double>(steps);
    // The float sums stray from the exact line by at most half an ulp per
    // addition; every coordinate on the way stays below `reach` in size.
    double reach = 1.0;
    for (int a = 0; a < 3; ++a) {
        if (!std::isfinite(o[a]) || !std::isfinite(d[a])) return 0;
        reach = std::max({reach, std::fabs(o[a]), std::fabs(o[a] + n * d[a])});
    }
    const double eps = (n + 2.0) * reach * 0x1p-22 + 1e-9;
    if (eps > 0.25) return 0;
    constexpr std::int32_t kBrick = 1 << kShift;

    // The part of the line inside the kept positions [low, high), widened by eps.
    double enter = 1.0, leave = n;
    double inverse[3];
    for (int a = 0; a < 3; ++a) {
        const double lo = lows[a] - eps, hi = highs[a] + eps;
        inverse[a] = d[a] != 0.0 ? 1.0 / d[a] : 0.0;
        if (d[a] == 0.0) {
            if (o[a] < lo || o[a] >= hi) return steps;  // never inside
            continue;
        }
        double t0 = (lo - o[a]) * inverse[a], t1 = (hi - o[a]) * inverse[a];
        if (t0 > t1) std::swap(t0, t1);
        enter = std::max(enter, t0);
        leave = std::min(leave, t1);
    }
    if (enter > leave) return steps;  // no sample can be inside

    // Samples before the line enters are outside; from there walk the quiet
    // regions until the line leaves the inside cells.
    double k = std::max(1.0, std::ceil(enter));
    while (k <= leave) {
        double q[3];
        std::int32_t cell[3];
        for (int a = 0; a < 3; ++a) {
            q[a] = o[a] + k * d[a];
            // q >= low - eps > 0 (low is 1 or more), so truncation is the floor.
            cell[a] = std::clamp(static_cast<std::int32_t>(q[a]), 0, lastCells[a]);
        }
        const std::int32_t r = Reach(cell[0], cell[1], cell[2]);
        if (r == 0) return static_cast<std::int64_t>(k) - 1;
        double exit = n;
        for (int a = 0; a < 3; ++a) {
            const double b = static_cast<double>(cell[a] & -kBrick);
            const double lo = b - (r - 1) * kBrick + eps;
            const double hi = b + r * kBrick - eps;
            // Too near a loud neighbour to be sure.
            if (q[a] < lo || q[a] >= hi) return static_cast<std::int64_t>(k) - 1;
            if (d[a] > 0.0) exit = std::min(exit, (hi - o[a]) * inverse[a]);
            if (d[a] < 0.0) exit = std::min(exit, (lo - o[a]) * inverse[a]);
        }
        // Every sample up to the exit from the shrunk region is quiet.
        const double next = std::floor(exit) + 1.0;
        if (!(next > k)) return static_cast<std::int64_t>(k) - 1;
        k = next;
    }
    return steps;
}

}  // namespace calyra
