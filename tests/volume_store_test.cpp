#include "volume/volume_store.h"

#include "test_support.h"
#include "volume/models.h"

namespace calyra {
namespace {

using VolumeStoreTest = test::CoreTest;

TEST_F(VolumeStoreTest, EveryIndexFromZeroToDimExistsAndStartsAtZero) {
    ASSERT_EQ(AllocateVolume(3, 4, 5), 1);
    for (int x = 0; x <= 3; ++x) {
        for (int y = 0; y <= 4; ++y) {
            // Rows carry a spare half for the two-byte import: 2 x (dimZ + 1) bytes.
            for (int z = 0; z < 2 * (5 + 1); ++z) EXPECT_EQ(VoxelVolume.voxels[x][y][z], 0);
        }
    }
    EXPECT_EQ(VoxelVolume.rowLength, 12u);
}

TEST_F(VolumeStoreTest, ASmallerRebuildLeavesNoTraceOfTheLargerOne) {
    ASSERT_EQ(AllocateVolume(8, 8, 8), 1);
    for (int x = 0; x <= 8; ++x)
        for (int y = 0; y <= 8; ++y)
            for (int z = 0; z < 18; ++z) VoxelVolume.voxels[x][y][z] = 200;
    ASSERT_EQ(AllocateVolume(4, 4, 4), 1);
    for (int x = 0; x <= 4; ++x)
        for (int y = 0; y <= 4; ++y)
            for (int z = 0; z < 10; ++z) ASSERT_EQ(VoxelVolume.voxels[x][y][z], 0);
}

TEST_F(VolumeStoreTest, AFailedAllocationPublishesABlankVolume) {
    ASSERT_EQ(AllocateVolume(64, 64, 64), 1);
    PublishShape(64, 64, 64, 64);
    // Past the 2 GiB store bound: refused like an allocation that failed.
    EXPECT_EQ(AllocateVolume(2000, 2000, 2000), 0);
    EXPECT_EQ(VoxelVolume.dims.x, 0);
    EXPECT_EQ(VoxelVolume.dims.y, 0);
    EXPECT_EQ(VoxelVolume.dims.z, 0);
    EXPECT_EQ(VoxelVolume.voxels, nullptr);
    EXPECT_EQ(AllocateVolume(-1, 2, 2), 0);
}

TEST_F(VolumeStoreTest, AShapeWhosePointerTablesPassTheBoundIsAFailedAllocation) {
    // 2^28 x 1 x 0: 1 GiB of voxels, but 4 GiB of row pointers.
    EXPECT_EQ(AllocateVolume(1 << 28, 1, 0), 0);
    EXPECT_EQ(VoxelVolume.voxels, nullptr);
    EXPECT_EQ(AllocateVolume(1000, 1000, 0), 1);
}

TEST_F(VolumeStoreTest, StoreBytesCountsRowsWithTheirSpareHalf) {
    EXPECT_EQ(StoreBytes(128, 128, 128), 129ull * 129 * 2 * 129);
    EXPECT_EQ(StoreBytes(-1, 1, 1), 0u);
}

TEST_F(VolumeStoreTest, ModelsMapToTheirBuilders) {
    EXPECT_EQ(SourceForModel(0), 0);
    EXPECT_EQ(SourceForModel(2), 2);
    EXPECT_EQ(SourceForModel(3), 2);
    EXPECT_EQ(SourceForModel(6), 25);
    EXPECT_EQ(SourceForModel(7), 25);
    EXPECT_EQ(SourceForModel(8), 26);
    EXPECT_EQ(SourceForModel(9), 26);
}

}  // namespace
}  // namespace calyra
