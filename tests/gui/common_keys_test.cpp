// The keys the two model windows and the Map panel share, through the one
// handler they all call: what differs between the takers is what matters.
#include "ui/common_keys.h"

#include "tests/gui/frame_fixture.h"
#include "ui/command_ids.h"
#include "ui/platform.h"

namespace calyra::ui::testing {
namespace {

class CommonKeys : public FrameFixture, public ::testing::WithParamInterface<KeyTaker> {
  protected:
    bool ModelWindow() const { return GetParam() == KeyTaker::ModelWindow; }
};

TEST_P(CommonKeys, DemonstrationKeysBelongToTheModelWindowsOnly) {
    renderPending = false;
    EXPECT_EQ(HandleCommonKey('d', GetParam()), ModelWindow());
    EXPECT_EQ(demoRunning, ModelWindow() ? 1 : 0);
    EXPECT_EQ(HandleCommonKey('D', GetParam()), ModelWindow());
    EXPECT_EQ(demoRunning, 0);
    EXPECT_EQ(renderPending, ModelWindow());
}

TEST_P(CommonKeys, TStepsTheTypeAndMovesTheViewPanelOnlyFromAModelWindow) {
    ASSERT_EQ(renderType, RenderType::Surface);
    renderPending = false;
    EXPECT_TRUE(HandleCommonKey('t', GetParam()));
    EXPECT_EQ(renderType, RenderType::Transparent);
    EXPECT_TRUE(renderPending);
    EXPECT_TRUE(IsMenuItemChecked(kCmdTransparent));
    EXPECT_FALSE(IsMenuItemChecked(kCmdSurface));
    EXPECT_EQ(IsRadioButtonChecked(viewPanel, kCmdTransparent), ModelWindow());
    EXPECT_EQ(IsRadioButtonChecked(viewPanel, kCmdSurface), !ModelWindow());
    EXPECT_TRUE(HandleCommonKey('T', GetParam()));
    EXPECT_TRUE(HandleCommonKey('T', GetParam()));
    EXPECT_EQ(renderType, RenderType::Surface);
}

TEST_P(CommonKeys, PerspectiveKeysStopAtTheWindowLimits) {
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(HandleCommonKey('P', GetParam()));
    EXPECT_EQ(eyeDistance, 5.5f);
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(HandleCommonKey('p', GetParam()));
    EXPECT_EQ(eyeDistance, 2.5f);
}

TEST_P(CommonKeys, PanKeysMoveThePlaneAndRenderKeysAskForAnImage) {
    const Point3 start = ViewPlane[4];
    EXPECT_TRUE(HandleCommonKey('+', GetParam()));
    EXPECT_GT(ViewPlane[4].z, start.z);  // towards the target
    EXPECT_TRUE(HandleCommonKey('-', GetParam()));
    EXPECT_NEAR(ViewPlane[4].z, start.z, 1e-6f);
    for (char key : {'r', 'R'}) {
        renderPending = false;
        EXPECT_TRUE(HandleCommonKey(key, GetParam()));
        EXPECT_TRUE(renderPending) << key;
    }
}

TEST_P(CommonKeys, OtherKeysAreLeftToTheWindow) {
    renderPending = false;
    for (char key : {'a', 'q', 'w', 's', '[', ']', 'x', ' '}) {
        EXPECT_FALSE(HandleCommonKey(key, GetParam())) << key;
    }
    EXPECT_FALSE(renderPending);
}

INSTANTIATE_TEST_SUITE_P(Takers, CommonKeys,
                         ::testing::Values(KeyTaker::ModelWindow, KeyTaker::MapPanel),
                         [](const auto& paramInfo) {
                             return paramInfo.param == KeyTaker::ModelWindow ? "ModelWindow"
                                                                             : "MapPanel";
                         });

}  // namespace
}  // namespace calyra::ui::testing
