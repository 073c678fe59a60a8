#include "volume/head_loader.h"

#include <filesystem>
#include <fstream>

#include "test_support.h"
#include "tests/temp_folder.h"
#include "volume/models.h"

namespace calyra {
namespace {

using test::Store;

namespace fs = std::filesystem;

// Runs each test in a fresh working directory.
class HeadLoaderTest : public test::CoreTest {
  protected:
    // Writes n bytes; byte k has the value pattern(k).
    template <typename Pattern>
    void WriteHead(std::size_t n, Pattern pattern) {
        std::ofstream out("sm3dhead", std::ios::binary);
        for (std::size_t k = 0; k < n; ++k) out.put(static_cast<char>(pattern(k)));
    }

    void Build() {
        Store(session).source = VolumeSource::Head;
        BuildVolume(Store(session), session.modelType);
    }

    test::InTempFolder dir_{"calyra_head"};
};

std::uint8_t Pattern(std::size_t k) {
    return static_cast<std::uint8_t>((k * 7 + k / 16384) % 251);
}

TEST_F(HeadLoaderTest, AFullFileFillsOneToOneHundredTwentyEight) {
    WriteHead(2097152, Pattern);
    Build();
    const VolumeStore& v = Store(session);
    EXPECT_EQ(v.dims.z, 128);
    EXPECT_EQ(v.size, 128);
    EXPECT_EQ(v.mirrorZ, 1);
    EXPECT_EQ(v.maxValue, 250u);
    // Slice n goes to z = n + 1; byte y*128 + x to voxels[x+1][y+1].
    for (std::size_t n : {0u, 1u, 64u, 127u}) {
        for (std::size_t y : {0u, 77u, 127u}) {
            for (std::size_t x : {0u, 3u, 127u}) {
                ASSERT_EQ(v.voxels[x + 1][y + 1][n + 1], Pattern(n * 16384 + y * 128 + x));
            }
        }
    }
    for (int a = 0; a <= 128; ++a) {
        EXPECT_EQ(v.voxels[a][5][0], 0);
        EXPECT_EQ(v.voxels[0][a][5], 0);
        EXPECT_EQ(v.voxels[5][0][a], 0);
    }
}

// Every voxel, not a sample: the copy goes through the store x by x.
TEST_F(HeadLoaderTest, EveryVoxelOfAFullFileLandsWhereItBelongs) {
    WriteHead(2097152, Pattern);
    Build();
    const VolumeStore& v = Store(session);
    int wrong = 0;
    for (std::size_t z = 0; z < 128; ++z) {
        for (std::size_t y = 0; y < 128; ++y) {
            for (std::size_t x = 0; x < 128; ++x) {
                const std::uint8_t want = Pattern(z * 16384 + y * 128 + x);
                if (v.voxels[x + 1][y + 1][z + 1] != want && ++wrong <= 5) {
                    ADD_FAILURE() << "voxel " << x << ", " << y << ", " << z;
                }
            }
        }
        // The row's spare half stays clear.
        EXPECT_EQ(v.voxels[7][9][129 + z], 0);
    }
}

TEST_F(HeadLoaderTest, BytesPastTheFullFileAreIgnored) {
    WriteHead(2097152 + 40000, [](std::size_t k) { return k < 2097152 ? Pattern(k) : 251; });
    Build();
    EXPECT_EQ(Store(session).maxValue, 250u);
    EXPECT_EQ(Store(session).voxels[128][128][128], Pattern(2097151));
}

TEST_F(HeadLoaderTest, TheMaximumCountsOnlyWholeBlocks) {
    // 40,000 bytes: one block of 32,768, then a short one with the largest byte.
    WriteHead(40000, [](std::size_t k) { return k < 32768 ? 17 : 200; });
    Build();
    EXPECT_EQ(Store(session).maxValue, 17u);
}

TEST_F(HeadLoaderTest, AStoreTooSmallForTheHeadIsLeftBlank) {
    WriteHead(2097152, [](std::size_t) { return 99; });
    for (const Int3 dims : {Int3{127, 128, 128}, Int3{128, 127, 128}, Int3{128, 128, 127}}) {
        ASSERT_EQ(AllocateVolume(Store(session), dims.x, dims.y, dims.z), 1);
        LoadHeadVolume(Store(session));
        EXPECT_EQ(Store(session).maxValue, 0u);
        EXPECT_EQ(Store(session).voxels[1][1][1], 0);
        EXPECT_EQ(Store(session).voxels[dims.x][dims.y][dims.z], 0);
        // z = 128 of a 127-deep store is in the rows' spare half.
        EXPECT_EQ(Store(session).voxels[dims.x][dims.y][128], 0);
    }
}

TEST_F(HeadLoaderTest, HalfAFileFillsTheLowerSixtyFourSlices) {
    WriteHead(1048576, [](std::size_t) { return 9; });
    Build();
    EXPECT_EQ(Store(session).voxels[10][10][64], 9);
    EXPECT_EQ(Store(session).voxels[10][10][65], 0);
    EXPECT_EQ(Store(session).voxels[10][10][128], 0);
}

TEST_F(HeadLoaderTest, AShortFinalBlockIsDiscarded) {
    WriteHead(40000, [](std::size_t) { return 17; });
    Build();
    EXPECT_EQ(Store(session).voxels[128][128][2], 17);
    EXPECT_EQ(Store(session).voxels[1][1][3], 0);
    EXPECT_EQ(Store(session).maxValue, 17u);
}

TEST_F(HeadLoaderTest, AnAllZeroFileLeavesMaxValueZero) {
    WriteHead(2097152, [](std::size_t) { return 0; });
    Build();
    EXPECT_EQ(Store(session).maxValue, 0u);
}

TEST_F(HeadLoaderTest, AMissingFileIsReportedAndLeavesABlankVolume) {
    test::MessageRecorder recorder;
    Build();
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, "Could not read file sm3dhead\n");
    EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(Store(session).maxValue, 0u);
    EXPECT_EQ(Store(session).dims.x, 128);
    EXPECT_EQ(Store(session).voxels[64][64][64], 0);
}

TEST_F(HeadLoaderTest, ADirectoryNamedLikeTheFileCannotBeRead) {
    fs::create_directory("sm3dhead");
    test::MessageRecorder recorder;
    Build();
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, "Could not read file sm3dhead\n");
    EXPECT_EQ(Store(session).maxValue, 0u);
}

TEST_F(HeadLoaderTest, TheGeneratedPhantomLoads) {
    fs::copy_file(CALYRA_HEAD_FILE, "sm3dhead");
    Build();
    EXPECT_GT(Store(session).maxValue, 200u);
}

}  // namespace
}  // namespace calyra
