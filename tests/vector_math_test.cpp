#include "geometry/vector_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace calyra {
namespace {

constexpr float kHalfPi = std::numbers::pi_v<float> / 2;

void ExpectNear(const Point3& actual, const Point3& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-6) << actual;
    EXPECT_NEAR(actual.y, expected.y, 1e-6) << actual;
    EXPECT_NEAR(actual.z, expected.z, 1e-6) << actual;
}

TEST(VectorMath, RotationsByZeroAreExactIdentities) {
    Matrix4 m;
    const Point3 p{0.3f, -1.7f, 2.25f};
    for (auto make : {MakeRotationX, MakeRotationY, MakeRotationZ}) {
        make(m, 0.0f);
        EXPECT_EQ(TransformPoint(m, p), p);
    }
}

TEST(VectorMath, QuarterTurnsAreRightHanded) {
    Matrix4 m;
    MakeRotationY(m, kHalfPi);
    ExpectNear(TransformPoint(m, {1, 0, 0}), {0, 0, -1});
    ExpectNear(TransformPoint(m, {0, 0, 1}), {1, 0, 0});
    MakeRotationX(m, kHalfPi);
    ExpectNear(TransformPoint(m, {0, 1, 0}), {0, 0, 1});
    MakeRotationZ(m, kHalfPi);
    ExpectNear(TransformPoint(m, {1, 0, 0}), {0, 1, 0});
}

TEST(VectorMath, CrossProductFollowsTheRightHandRule) {
    EXPECT_EQ(CrossProduct({0, 1, 0}, {0, 0, 1}), (Point3{1, 0, 0}));
}

TEST(VectorMath, VectorLengthIsNotRoundedToFloat) {
    EXPECT_EQ(VectorLength(1.0f, 1.0f, 0.0f), std::sqrt(2.0));
}

TEST(VectorMath, NormalisingDividesInDoubleAndOnlyTheZeroVectorDiffers) {
    // 1/3 of a length in double, then rounded: not the float quotient.
    const Point3 p{1.0f, 2.0f, 2.0f};
    const Point3 expected{static_cast<float>(1.0 / 3.0), static_cast<float>(2.0 / 3.0),
                          static_cast<float>(2.0 / 3.0)};
    EXPECT_EQ(Normalised(p), expected);
    EXPECT_EQ(NormalisedOrZero(p), expected);
    const Point3 tiny{1e-30f, 0.0f, 0.0f};
    EXPECT_EQ(NormalisedOrZero(tiny), Normalised(tiny));

    EXPECT_EQ(NormalisedOrZero(Point3{}), Point3{});
    EXPECT_TRUE(std::isnan(Normalised(Point3{}).x));
}

TEST(VectorMath, WorldToViewWithTheIdentityCameraChangesNothing) {
    Point3 points[3] = {{0.5f, -0.25f, 3.0f}, {-1, 2, -3}, {0.1f, 0.2f, 0.3f}};
    const Point3 before[3] = {points[0], points[1], points[2]};
    WorldToView(points, 3, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(points[i], before[i]);
}

TEST(VectorMath, AReversedNormalIsAHalfTurnAboutY) {
    Point3 points[2] = {{1, 0, 0}, {0, 0, 1}};
    WorldToView(points, 2, {0, 0, 0}, {0, 0, -1}, {0, 1, 0});
    ExpectNear(points[0], {-1, 0, 0});
    ExpectNear(points[1], {0, 0, -1});
}

TEST(VectorMath, OnlyTheUpComponentPerpendicularToTheNormalMatters) {
    const Point3 normal{0.2f, -0.3f, 0.9f};
    Matrix4 reference, scaled, tilted;
    ViewOrientationMatrix(reference, normal, {0, 1, 0});
    ViewOrientationMatrix(scaled, normal, {0, 17.5f, 0});
    ViewOrientationMatrix(tilted, normal, {0.2f * 3, 1 - 0.3f * 3, 0.9f * 3});
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(scaled.m[i], reference.m[i], 1e-6);
        EXPECT_NEAR(tilted.m[i], reference.m[i], 1e-6);
    }
}

TEST(VectorMath, ViewportMapUsesTheFullDepthRange) {
    const float e = 300.0f;
    Point3 points[3] = {{-1, -1, -1}, {1, 1, 0}, {0, 0, -0.25f}};
    ViewportMap(points, 3, e, 0, e, 0, e, 0);
    EXPECT_EQ(points[0], (Point3{0, 0, 0}));
    EXPECT_EQ(points[1], (Point3{e, e, e}));
    EXPECT_EQ(points[2], (Point3{e / 2, e / 2, e * 0.75f}));
}

TEST(VectorMath, ProductWithATranslationPutsRTInColumnThree) {
    Matrix4 r, t, c;
    MakeRotationZ(r, kHalfPi);
    MakeTranslation(t, 1, 2, 3);
    MultiplyMatrix(r, t, c);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) EXPECT_EQ(c.at(row, col), r.at(row, col));
    const Point3 rt = TransformPoint(r, {1, 2, 3});
    EXPECT_NEAR(c.at(0, 3), rt.x, 1e-6);
    EXPECT_NEAR(c.at(1, 3), rt.y, 1e-6);
    EXPECT_NEAR(c.at(2, 3), rt.z, 1e-6);
}

TEST(VectorMath, ThePartialSumsOfAProductAreRoundedToFloat) {
    // 1 + 2^-30 - 1 is 0 once the running sum is stored as a float.
    Matrix4 a, b, c;
    a.at(0, 0) = 1.0f;
    a.at(0, 1) = 1.0f;
    a.at(0, 2) = -1.0f;
    b.at(0, 0) = 1.0f;
    b.at(1, 0) = std::ldexp(1.0f, -30);
    b.at(2, 0) = 1.0f;
    MultiplyMatrix(a, b, c);
    EXPECT_EQ(c.at(0, 0), 0.0f);
}

}  // namespace
}  // namespace calyra
