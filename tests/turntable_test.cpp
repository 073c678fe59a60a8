// The views of a turntable: every frame one turn from the same start.
#include "geometry/turntable.h"

#include <gtest/gtest.h>

#include <numbers>

namespace calyra {
namespace {

// Every World and ViewPlane point, bit for bit.
bool SamePoints(const Orientation& a, const Orientation& b) {
    for (int i = 0; i < kWorldPoints; ++i) {
        if (a.World[i].x != b.World[i].x || a.World[i].y != b.World[i].y ||
            a.World[i].z != b.World[i].z)
            return false;
    }
    for (int i = 0; i < kViewPlanePoints; ++i) {
        if (a.ViewPlane[i].x != b.ViewPlane[i].x || a.ViewPlane[i].y != b.ViewPlane[i].y ||
            a.ViewPlane[i].z != b.ViewPlane[i].z)
            return false;
    }
    return a.eyeDistance == b.eyeDistance;
}

// A start that is not the start-up view, so that a turn about the wrong
// centre or axis shows.
Orientation TurnedStart() {
    Orientation o;
    RotateWorld(o, 0.4f, -0.3f);
    TranslateViewPlane(o, 0.05f, -0.02f, 0.1f);
    return o;
}

struct FrameCase {
    TurnAxis axis;
    int k;
    int n;
    double across;  // the one turn of a drag that frame k is
    double down;
};

class TurnForFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(TurnForFrameTest, IsTheStartTurnedOnceAsTheDragTurnsIt) {
    const FrameCase& c = GetParam();
    const Orientation start = TurnedStart();
    Orientation expected = start;
    if (c.k != 0) TurnViewPlane(expected, c.across, c.down);
    // Whatever the orientation held before, the frame starts from start.
    Orientation frame;
    SnapViewPlane(frame, Face::Left);
    TurnForFrame(frame, start, c.axis, c.k, c.n);
    EXPECT_TRUE(SamePoints(frame, expected));
}

constexpr double kTwoPi = 2.0 * std::numbers::pi;
INSTANTIATE_TEST_SUITE_P(
    Frames, TurnForFrameTest,
    ::testing::Values(FrameCase{TurnAxis::Horizontal, 0, 36, 0.0, 0.0},
                      FrameCase{TurnAxis::Vertical, 0, 36, 0.0, 0.0},
                      FrameCase{TurnAxis::Horizontal, 1, 36, 1 * kTwoPi / 36, 0.0},
                      FrameCase{TurnAxis::Horizontal, 35, 36, 35 * kTwoPi / 36, 0.0},
                      FrameCase{TurnAxis::Vertical, 7, 36, 0.0, 7 * kTwoPi / 36},
                      FrameCase{TurnAxis::Vertical, 2, 3, 0.0, 2 * kTwoPi / 3},
                      FrameCase{TurnAxis::Horizontal, 1, 1, kTwoPi, 0.0}));

TEST(TurnForFrame, TheTwoAxesTurnDifferentlyAndAHalfTurnIsTheSameFromAnyCount) {
    const Orientation start = TurnedStart();
    Orientation across, down, half;
    TurnForFrame(across, start, TurnAxis::Horizontal, 9, 36);
    TurnForFrame(down, start, TurnAxis::Vertical, 9, 36);
    EXPECT_FALSE(SamePoints(across, down));
    EXPECT_FALSE(SamePoints(across, start));
    TurnForFrame(across, start, TurnAxis::Horizontal, 1, 2);
    TurnForFrame(half, start, TurnAxis::Horizontal, 18, 36);
    // One turn from the start each: no error piles up frame after frame.
    for (int i = 0; i < kViewPlanePoints; ++i) {
        EXPECT_NEAR(across.ViewPlane[i].x, half.ViewPlane[i].x, 1e-6);
        EXPECT_NEAR(across.ViewPlane[i].z, half.ViewPlane[i].z, 1e-6);
    }
}

}  // namespace
}  // namespace calyra
