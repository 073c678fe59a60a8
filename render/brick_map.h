// Empty-space skipping: the largest voxel any sample in an 8 x 8 x 8 block of
// cells can read, mirroring and the trilinear neighbours included. A sample
// never exceeds the largest voxel it reads, so a block whose maximum is at or
// below a level holds no sample above that level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "render/sampler.h"

namespace calyra {

class BrickMap {
  public:
    static constexpr int kShift = 2;  // 4 cells per brick and axis

    // Rebuilds the table for the sampler's volume (reusing its memory),
    // unless it was built for the same store contents and sampling already.
    void Build(const VolumeSampler& sampler, const VolumeStore& volume);

    // Sets what changes nothing in this render: a sample at or below limit
    // and, with flatIsQuiet, a sample whose gradient is zero. Each cell gets
    // one byte whose bit `corner` says whether the sample at that half-voxel
    // position may change the result (one bit without trilinear samples); a
    // brick holding no such sample is quiet, and Reach() = d > 0 means every
    // brick within d - 1 bricks (Chebyshev distance) is quiet too. The cell
    // bytes are built only while they take at most kMaxCellBytes; beyond
    // that bricks are quiet by their maximum alone and Loud() says yes.
    void SetQuietRule(std::int32_t limit, bool flatIsQuiet);

    static constexpr std::size_t kMaxCellBytes = std::size_t{64} << 20;

    // For Composite, after Build: the smallest and largest fine value any
    // sample of each brick can read (fine (x, y, z) at fine + x * xStride +
    // y * yStride + z), kept while Build keeps its tables.
    void BuildFine(const std::uint16_t* fine, std::int64_t xStride, std::int64_t yStride);
    // Marks a brick loud when some table entry from its smallest to its
    // largest fine value (each >> 4) has an opacity above 0, with no cell
    // bytes: a sample blends values between those, so a quiet brick holds no
    // sample that adds anything. opacity: the 4096 entries of the render's table.
    void SetOpacityRule(const float* opacity);

    // Whether the sample Locate gave as c may change the result; c must be
    // inside the volume.
    bool Loud(const VolumeSampler::Cell& c) const { return (CellBits(c) >> c.corner) & 1; }
    // The loud half-voxel positions of c's cell, bit `corner` each; 0 when
    // no sample in the cell matters.
    std::uint8_t CellBits(const VolumeSampler::Cell& c) const {
        if (cells_.empty()) return 0xFF;
        return cells_[(static_cast<std::size_t>(c.ix) * cy_ + c.iy) * cz_ + c.rawZ];
    }
    bool HasCells() const { return !cells_.empty(); }
    // The cell bytes for vector reads: cell (ix, iy, iz) at
    // ix * CellStrideX() + iy * CellStrideY() + iz, readable four bytes at a time.
    const std::uint8_t* CellTable() const { return cells_.data(); }
    // Reach() for vector reads: brick (bx, by, bz) at
    // (bx * BricksPerX() + by) * BricksPerY() + bz, readable four bytes at a time.
    const std::uint8_t* ReachTable() const { return reach_.data(); }
    std::int32_t BricksPerX() const { return by_; }
    std::int32_t BricksPerY() const { return bz_; }
    std::int64_t CellStrideX() const { return std::int64_t{cy_} * cz_; }
    std::int32_t CellStrideY() const { return cz_; }

    // The largest reach recorded: as far as anyone needs to look.
    static constexpr std::int32_t kFarReach = 32;
    std::uint8_t Reach(std::int32_t ix, std::int32_t iy, std::int32_t iz) const {
        return reach_[(static_cast<std::size_t>(ix >> kShift) * by_ + (iy >> kShift)) * bz_ +
                      (iz >> kShift)];
    }

    // How many leading samples of the ray (origin + k * step, k = 1..steps,
    // each position accumulated by float additions) certainly fall in a quiet
    // brick or outside the kept positions [low, high) on some axis (the
    // inside cells [1, dim), or a crop box within them): all samples
    // 1..result are quiet; steps means the whole ray is.
    std::int64_t QuietSteps(const Point3& origin, const Point3& step, std::int64_t steps,
                            const Point3& low, const Point3& high) const;

  private:
    // Spare bytes after the tables read by vectors, four bytes at a time.
    static constexpr std::size_t kPad = 3;
    struct Key {
        // Kept alive here, so no later store can have the same token.
        std::shared_ptr<const int> identity;
        std::uint64_t generation = ~std::uint64_t{0};
        const std::uint8_t* base = nullptr;
        std::int32_t dimX = -1, dimY = -1, dimZ = -1;
        bool mirror = false, trilinear = false;
        bool operator==(const Key&) const = default;
    };
    Key key_;
    void BuildCells(const VolumeSampler& s, std::int32_t limit, bool flatIsQuiet);
    // reach_ from loud_.
    void SetReach();
    // limit_ while the opacity rule is set: no quiet rule has it.
    static constexpr std::int32_t kOpacityRule = -3;
    std::vector<std::uint64_t> opaqueEntries_;  // the opacity rule set: entries above 0, a bit each
    std::vector<std::uint16_t> fineMin_, fineMax_;

    VolumeSampler sampler_;
    std::int32_t limit_ = -2;
    bool flatIsQuiet_ = false;
    std::int32_t cy_ = 0, cz_ = 0;     // cells per x and y index of cells_
    std::vector<std::uint8_t> loud_;   // per brick: 1 when some sample in it may matter
    std::vector<std::uint8_t> cells_;  // per cell: the loud half-voxel positions
    std::int32_t bx_ = 0, by_ = 0, bz_ = 0;
    std::vector<std::uint8_t> max_;
    std::vector<std::uint8_t> reach_;
};

}  // namespace calyra
