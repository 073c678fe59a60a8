#include "volume/volume_store.h"

#include <set>
#include <string>

#include "test_support.h"
#include "volume/models.h"
#include "volume/raw_reader.h"

namespace calyra {
namespace {

using test::Store;

using VolumeStoreTest = test::CoreTest;

TEST_F(VolumeStoreTest, EveryIndexFromZeroToDimExistsAndStartsAtZero) {
    ASSERT_EQ(AllocateVolume(Store(session), 3, 4, 5), 1);
    for (int x = 0; x <= 3; ++x) {
        for (int y = 0; y <= 4; ++y) {
            // Rows carry a spare half for the two-byte import: 2 x (dimZ + 1) bytes.
            for (int z = 0; z < 2 * (5 + 1); ++z) EXPECT_EQ(Store(session).voxels[x][y][z], 0);
        }
    }
    EXPECT_EQ(Store(session).rowLength, 12u);
}

TEST_F(VolumeStoreTest, ASmallerRebuildLeavesNoTraceOfTheLargerOne) {
    ASSERT_EQ(AllocateVolume(Store(session), 8, 8, 8), 1);
    for (int x = 0; x <= 8; ++x)
        for (int y = 0; y <= 8; ++y)
            for (int z = 0; z < 18; ++z) Store(session).voxels[x][y][z] = 200;
    ASSERT_EQ(AllocateVolume(Store(session), 4, 4, 4), 1);
    for (int x = 0; x <= 4; ++x)
        for (int y = 0; y <= 4; ++y)
            for (int z = 0; z < 10; ++z) ASSERT_EQ(Store(session).voxels[x][y][z], 0);
}

TEST_F(VolumeStoreTest, ARebuildOfTheSameShapeStartsAtZeroWithItsOwnRows) {
    ASSERT_EQ(AllocateVolume(Store(session), 5, 6, 7), 1);
    for (int x = 0; x <= 5; ++x)
        for (int y = 0; y <= 6; ++y)
            for (int z = 0; z < 16; ++z) Store(session).voxels[x][y][z] = 200;
    const std::uint64_t generation = Store(session).generation;
    ASSERT_EQ(AllocateVolume(Store(session), 5, 6, 7), 1);
    EXPECT_GT(Store(session).generation, generation);
    EXPECT_EQ(Store(session).rowLength, 16u);
    // Spare halves included; then each row tells its own (x, y).
    for (int x = 0; x <= 5; ++x)
        for (int y = 0; y <= 6; ++y)
            for (int z = 0; z < 16; ++z) ASSERT_EQ(Store(session).voxels[x][y][z], 0);
    for (int x = 0; x <= 5; ++x)
        for (int y = 0; y <= 6; ++y) Store(session).voxels[x][y][15] = std::uint8_t(x * 7 + y);
    for (int x = 0; x <= 5; ++x)
        for (int y = 0; y <= 6; ++y) ASSERT_EQ(Store(session).voxels[x][y][15], x * 7 + y);
}

TEST_F(VolumeStoreTest, AFailedAllocationPublishesABlankVolume) {
    ASSERT_EQ(AllocateVolume(Store(session), 64, 64, 64), 1);
    PublishShape(Store(session), 64, 64, 64, 64);
    // Past the 2 GiB store bound: refused like an allocation that failed.
    EXPECT_EQ(AllocateVolume(Store(session), 2000, 2000, 2000), 0);
    EXPECT_EQ(Store(session).dims.x, 0);
    EXPECT_EQ(Store(session).dims.y, 0);
    EXPECT_EQ(Store(session).dims.z, 0);
    EXPECT_EQ(Store(session).voxels, nullptr);
    EXPECT_EQ(AllocateVolume(Store(session), -1, 2, 2), 0);
}

TEST_F(VolumeStoreTest, ALoweredBoundHoldsForTheStoreAndTheRawImport) {
    SetStoreBound(std::uint64_t{256} << 10);
    EXPECT_EQ(StoreBoundText(), "256 KiB");
    // 64 x 64 x 2 x 32 bytes is the bound exactly; one more z passes it.
    EXPECT_EQ(AllocateVolume(Store(session), 63, 63, 31), 1);
    EXPECT_EQ(AllocateVolume(Store(session), 63, 63, 32), 0);
    ImportParams params;
    params.dimX = params.dimY = 63;
    params.dimZ = 32;
    EXPECT_EQ(ImportRefusalReason(params, ImportOptions{}, RawFormat::Binary),
              "the store for 63 x 63 x 32 voxels needs 270336 bytes: the limit is 256 KiB "
              "(262144 bytes)");
    params.dimZ = 31;
    EXPECT_EQ(ImportRefusalReason(params, ImportOptions{}, RawFormat::Binary), "");

    SetStoreBound(1000);
    EXPECT_EQ(StoreBoundText(), "1000 bytes");
    // Never above 2 GiB.
    SetStoreBound(UINT64_MAX);
    EXPECT_EQ(StoreBound(), kMaxStoreBytes);
    EXPECT_EQ(StoreBoundText(), "2 GiB");
}

TEST_F(VolumeStoreTest, AShapeWhosePointerTablesPassTheBoundIsAFailedAllocation) {
    // 2^28 x 1 x 0: 1 GiB of voxels, but 4 GiB of row pointers.
    EXPECT_EQ(AllocateVolume(Store(session), 1 << 28, 1, 0), 0);
    EXPECT_EQ(Store(session).voxels, nullptr);
    EXPECT_EQ(AllocateVolume(Store(session), 1000, 1000, 0), 1);
}

TEST_F(VolumeStoreTest, StoreBytesCountsRowsWithTheirSpareHalf) {
    EXPECT_EQ(StoreBytes(128, 128, 128), 129ull * 129 * 2 * 129);
    EXPECT_EQ(StoreBytes(-1, 1, 1), 0u);
}

TEST_F(VolumeStoreTest, ModelsMapToTheirBuilders) {
    EXPECT_EQ(SourceForModel(ModelType::Ball), VolumeSource::Ball);
    EXPECT_EQ(SourceForModel(ModelType::Head), VolumeSource::Head);
    EXPECT_EQ(SourceForModel(ModelType::Import), VolumeSource::Head);
    EXPECT_EQ(SourceForModel(ModelType::Hyperboloid), VolumeSource::LargeMath);
    EXPECT_EQ(SourceForModel(ModelType::Cone), VolumeSource::LargeMath);
    EXPECT_EQ(SourceForModel(ModelType::Monkey), VolumeSource::SmallMath);
    EXPECT_EQ(SourceForModel(ModelType::Combined), VolumeSource::SmallMath);
}

TEST_F(VolumeStoreTest, EveryBuiltInModelHasOneNameThatFindsIt) {
    std::set<std::string> names;
    for (const ModelName& m : BuiltInModels()) {
        EXPECT_EQ(FindModel(m.name), m.value) << m.name;
        EXPECT_STREQ(NameOf(m.value), m.name);
        EXPECT_TRUE(names.insert(m.name).second) << m.name;
        EXPECT_NE(m.value, ModelType::Import);
    }
    EXPECT_EQ(names.size(), 6u);
    EXPECT_FALSE(FindModel("import"));
    EXPECT_FALSE(FindModel("Ball"));
}

}  // namespace
}  // namespace calyra
