#include "volume/models.h"

#include "render/user_settings.h"
#include "test_support.h"

namespace calyra {
namespace {

using test::Store;

using ModelsTest = test::CoreTest;

// Corner values picked per corner of the unit cell at the origin.
float gCorner[2][2][2];
float CornerTable(float x, float y, float z) {
    return gCorner[x > 0.5f][y > 0.5f][z > 0.5f];
}

void SetCorners(std::initializer_list<float> values) {
    auto it = values.begin();
    for (int x = 0; x < 2; ++x)
        for (int y = 0; y < 2; ++y)
            for (int z = 0; z < 2; ++z) gCorner[x][y][z] = *it++;
}

TEST_F(ModelsTest, ClassifyCellWeighsTheCornersOnEachSide) {
    SetCorners({1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_EQ(ClassifyCell(0, 0, 0, 1, 1, 1, 75, 255, CornerTable), 0);
    SetCorners({-1, -2, -3, -1, -1, -1, -1, -1});
    EXPECT_EQ(ClassifyCell(0, 0, 0, 1, 1, 1, 75, 255, CornerTable), 0);
    // Three above, one below, four on the surface: A = 5, B = 3, r = 0.6.
    SetCorners({1, 1, 1, -1, 0, 0, 0, 0});
    EXPECT_EQ(ClassifyCell(0, 0, 0, 1, 1, 1, 75, 255, CornerTable), 183);
    // Two on the surface, six on one side: A = 2, B = 6, r = 1/3.
    SetCorners({0, 0, 1, 1, 1, 1, 1, 1});
    EXPECT_EQ(ClassifyCell(0, 0, 0, 1, 1, 1, 75, 255, CornerTable), 135);
    // Four against four gives hi; all eight on the surface gives lo.
    SetCorners({1, 1, 1, 1, -1, -1, -1, -1});
    EXPECT_EQ(ClassifyCell(0, 0, 0, 1, 1, 1, 75, 255, CornerTable), 255);
    SetCorners({0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(ClassifyCell(0, 0, 0, 1, 1, 1, 75, 255, CornerTable), 75);
    // Values within 1e-7 of zero count as on the surface.
    SetCorners({5e-8f, -5e-8f, 1, 1, 1, 1, 1, 1});
    EXPECT_EQ(ClassifyCell(0, 0, 0, 1, 1, 1, 75, 255, CornerTable), 135);
}

TEST_F(ModelsTest, ImplicitFunctionsHaveTheirSurfaces) {
    EXPECT_EQ(HyperboloidFunction(1, 0, 0), 0.0f);
    EXPECT_EQ(HyperboloidFunction(0, 0, 0), -1.0f);
    EXPECT_EQ(ConeFunction(1, 1, 2), 0.0f);
    EXPECT_EQ(MonkeySaddleFunction(1, 1, -2), 0.0f);
}

// Every build switches interpolation off.
void BuildWithInterpolationOn(Session& session, ModelType model) {
    session.settings.interpolate = true;
    BuildModel(session, model);
}

TEST_F(ModelsTest, BallHasAHeadShellWithEyesAndEarOpenings) {
    BuildWithInterpolationOn(session, ModelType::Ball);
    const VolumeStore& v = Store(session);
    EXPECT_EQ(v.dims.x, 64);
    EXPECT_EQ(v.size, 64);
    EXPECT_EQ(v.maxValue, 256u);
    EXPECT_EQ(v.mirrorZ, 0);
    EXPECT_FALSE(session.settings.interpolate);
    // Along the x axis through the centre the head shell runs from 6 to 59.
    EXPECT_EQ(v.voxels[5][32][32], 0);
    EXPECT_EQ(v.voxels[6][32][32], 150);
    EXPECT_EQ(v.voxels[59][32][32], 150);
    EXPECT_EQ(v.voxels[60][32][32], 0);
    // Inside the shell (d^2 <= 25^2) it is hollow, unless an eye or ear is there.
    EXPECT_EQ(v.voxels[32][32][32], 0);
    EXPECT_EQ(v.voxels[8][32][32], 0);
    // Eye shells around (42, 42, 32) and (21, 42, 32), radius 10.
    EXPECT_EQ(v.voxels[42][42][41], 150);
    EXPECT_EQ(v.voxels[42][42][32], 0);
    // The first ear, centre (48, 16, 42) radius 13, hollows the head shell where it passes.
    int opened = 0;
    for (int x = 36; x <= 60; ++x)
        for (int y = 4; y <= 28; ++y)
            for (int z = 30; z <= 54; ++z) {
                const int dh = (32 - x) * (32 - x) + (32 - y) * (32 - y) + (32 - z) * (32 - z);
                const int de = (48 - x) * (48 - x) + (16 - y) * (16 - y) + (42 - z) * (42 - z);
                if (dh > 25 * 25 && dh <= 27 * 27 && de <= 11 * 11) {
                    EXPECT_EQ(v.voxels[x][y][z], 0);
                    ++opened;
                }
            }
    EXPECT_GT(opened, 0);
}

TEST_F(ModelsTest, HyperboloidAndConeLeaveTheLastTwoIndicesEmpty) {
    for (ModelType model : {ModelType::Hyperboloid, ModelType::Cone}) {
        BuildWithInterpolationOn(session, model);
        const VolumeStore& v = Store(session);
        ASSERT_EQ(v.dims.x, 128);
        EXPECT_EQ(v.maxValue, 256u);
        int nonzero = 0;
        for (int a = 0; a <= 128; ++a)
            for (int b = 0; b <= 128; ++b)
                for (int edge : {127, 128}) {
                    ASSERT_EQ(v.voxels[edge][a][b], 0);
                    ASSERT_EQ(v.voxels[a][edge][b], 0);
                    ASSERT_EQ(v.voxels[a][b][edge], 0);
                }
        for (int a = 0; a < 127; ++a) nonzero += v.voxels[a][63][100] != 0;
        EXPECT_GT(nonzero, 0) << "model " << NameOf(model);
    }
}

TEST_F(ModelsTest, StoredValuesAreZeroOrInTheValueRange) {
    BuildWithInterpolationOn(session, ModelType::Monkey);
    const VolumeStore& v = Store(session);
    int surface = 0;
    for (int x = 0; x <= 64; ++x)
        for (int y = 0; y <= 64; ++y)
            for (int z = 0; z <= 64; ++z) {
                const int value = v.voxels[x][y][z];
                ASSERT_TRUE(value == 0 || (value >= 75 && value <= 255));
                surface += value != 0;
            }
    EXPECT_GT(surface, 1000);
}

TEST_F(ModelsTest, CombinedKeepsTheSaddleWhereTheConePassGivesZero) {
    BuildWithInterpolationOn(session, ModelType::Monkey);
    std::vector<std::uint8_t> saddle(65 * 65 * 65);
    for (int x = 0; x <= 64; ++x)
        for (int y = 0; y <= 64; ++y)
            for (int z = 0; z <= 64; ++z)
                saddle[(x * 65 + y) * 65 + z] = Store(session).voxels[x][y][z];
    session.modelType = ModelType::Combined;
    BuildVolume(Store(session), session.modelType);
    int kept = 0, replaced = 0;
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y)
            for (int z = 0; z < 64; ++z) {
                const int before = saddle[(x * 65 + y) * 65 + z];
                const int after = Store(session).voxels[x][y][z];
                const float dx = 60.0f / 64.0f;
                const int cone = ClassifyCell(x * dx - 30.0f, y * dx - 30.0f, z * dx - 30.0f, dx,
                                              dx, dx, 75, 255, ConeFunction);
                if (cone == 0) {
                    ASSERT_EQ(after, before);
                    kept += before != 0;
                } else {
                    ASSERT_EQ(after, cone);
                    replaced += before != 0;
                }
            }
    EXPECT_GT(kept, 0);
    EXPECT_GT(replaced, 0);
}

}  // namespace
}  // namespace calyra
