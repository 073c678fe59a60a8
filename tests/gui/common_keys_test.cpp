// The keys the two model windows and the Map panel share, through the one
// handler they all call: what differs between the takers is what matters.
#include "ui/common_keys.h"

#include "resources/command_ids.h"
#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"
#include "ui/platform.h"
#include "ui/setting_commands.h"

namespace calyra::ui::testing {
namespace {

class CommonKeys : public FrameFixture, public ::testing::WithParamInterface<KeyTaker> {
  protected:
    bool ModelWindow() const { return GetParam() == KeyTaker::ModelWindow; }
};

TEST_P(CommonKeys, DemonstrationKeysBelongToTheModelWindowsOnly) {
    ProgramSession().renderPending = false;
    EXPECT_EQ(HandleCommonKey('d', GetParam()), ModelWindow());
    EXPECT_EQ(demoRunning, ModelWindow() ? 1 : 0);
    EXPECT_EQ(HandleCommonKey('D', GetParam()), ModelWindow());
    EXPECT_EQ(demoRunning, 0);
    EXPECT_EQ(ProgramSession().renderPending, ModelWindow());
}

TEST_P(CommonKeys, TStepsTheTypeAndMovesTheViewPanelOnlyFromAModelWindow) {
    ASSERT_EQ(ProgramSession().settings.renderType, RenderType::Surface);
    ProgramSession().renderPending = false;
    EXPECT_TRUE(HandleCommonKey('t', GetParam()));
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Transparent);
    EXPECT_TRUE(ProgramSession().renderPending);
    EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Transparent)));
    EXPECT_FALSE(IsMenuItemChecked(RenderTypeCommand(RenderType::Surface)));
    EXPECT_EQ(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Transparent)),
              ModelWindow());
    EXPECT_EQ(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Surface)),
              !ModelWindow());
    EXPECT_TRUE(HandleCommonKey('T', GetParam()));
    EXPECT_TRUE(HandleCommonKey('T', GetParam()));
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Surface);
}

TEST_P(CommonKeys, PerspectiveKeysStopAtTheWindowLimits) {
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(HandleCommonKey('P', GetParam()));
    EXPECT_EQ(ProgramSession().orientation.eyeDistance, 5.5f);
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(HandleCommonKey('p', GetParam()));
    EXPECT_EQ(ProgramSession().orientation.eyeDistance, 2.5f);
}

TEST_P(CommonKeys, PanKeysMoveThePlaneAndRenderKeysAskForAnImage) {
    const Point3 start = ProgramSession().orientation.ViewPlane[4];
    EXPECT_TRUE(HandleCommonKey('+', GetParam()));
    EXPECT_GT(ProgramSession().orientation.ViewPlane[4].z, start.z);  // towards the target
    EXPECT_TRUE(HandleCommonKey('-', GetParam()));
    EXPECT_NEAR(ProgramSession().orientation.ViewPlane[4].z, start.z, 1e-6f);
    for (char key : {'r', 'R'}) {
        ProgramSession().renderPending = false;
        EXPECT_TRUE(HandleCommonKey(key, GetParam()));
        EXPECT_TRUE(ProgramSession().renderPending) << key;
    }
}

TEST_P(CommonKeys, OtherKeysAreLeftToTheWindow) {
    ProgramSession().renderPending = false;
    for (char key : {'a', 'q', 'w', 's', '[', ']', 'x', ' '}) {
        EXPECT_FALSE(HandleCommonKey(key, GetParam())) << key;
    }
    EXPECT_FALSE(ProgramSession().renderPending);
}

INSTANTIATE_TEST_SUITE_P(Takers, CommonKeys,
                         ::testing::Values(KeyTaker::ModelWindow, KeyTaker::MapPanel),
                         [](const auto& paramInfo) {
                             return paramInfo.param == KeyTaker::ModelWindow ? "ModelWindow"
                                                                             : "MapPanel";
                         });

// The same keys typed into each model window: every window passes them on.
enum class Window { Render, Geometry };

class ModelWindowKeys : public FrameFixture, public ::testing::WithParamInterface<Window> {
  protected:
    void SetUp() override {
        FrameFixture::SetUp();
        DispatchCommand(frame, kCmdBallModel);
        window = GetParam() == Window::Render ? renderWindow : geometryWindow;
        ASSERT_NE(window, nullptr);
        ProgramSession().renderPending = false;
    }
    void Type(char c) { SendCharacter(window, c); }

    QWidget* window = nullptr;
};

TEST_P(ModelWindowKeys, PanRenderAndDemonstrationKeys) {
    Type('+');
    EXPECT_NEAR(ProgramSession().orientation.ViewPlane[5].z, 0.05f, 1e-6);
    Type('-');
    EXPECT_NEAR(ProgramSession().orientation.ViewPlane[5].z, 0.0f, 1e-6);
    EXPECT_FALSE(ProgramSession().renderPending);
    Type('r');
    EXPECT_TRUE(ProgramSession().renderPending);
    ProgramSession().renderPending = false;
    Type('d');
    EXPECT_EQ(demoRunning, 1);
    EXPECT_FALSE(ProgramSession().renderPending);
    Type('D');
    EXPECT_EQ(demoRunning, 0);
    EXPECT_TRUE(ProgramSession().renderPending);
}

TEST_P(ModelWindowKeys, TFromAProjectionSelectsSurface) {
    for (RenderType projection : {RenderType::Maximum, RenderType::Minimum, RenderType::Average}) {
        SelectRenderType(projection, ViewPanelButtons::Follow);
        Type('t');
        EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Surface);
        EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Surface)));
        EXPECT_FALSE(IsMenuItemChecked(RenderTypeCommand(projection)));
    }
}

TEST_P(ModelWindowKeys, TCyclesTheRenderTypeWithOneCheckMarkAndTheViewPanelFollowing) {
    for (int press = 1; press <= 3; ++press) {
        ProgramSession().renderPending = false;
        Type(press == 2 ? 'T' : 't');
        EXPECT_EQ(static_cast<int>(ProgramSession().settings.renderType), press % 3);
        int checked = 0;
        for (const RenderTypeItem& item : kRenderTypeItems)
            checked += IsMenuItemChecked(item.command) ? 1 : 0;
        EXPECT_EQ(checked, 1);
        EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(ProgramSession().settings.renderType)));
        ASSERT_NE(viewPanel, nullptr);
        EXPECT_TRUE(IsRadioButtonChecked(viewPanel,
                                         RenderTypeCommand(ProgramSession().settings.renderType)));
        EXPECT_TRUE(ProgramSession().renderPending);
    }
}

TEST_P(ModelWindowKeys, EyeDistanceKeysStopAtFiveAndAHalfAndTwoAndAHalf) {
    const float larger[] = {4.4f, 4.84f, 5.324f, 5.5f, 5.5f};
    for (float expected : larger) {
        Type('P');
        EXPECT_NEAR(ProgramSession().orientation.eyeDistance, expected, 1e-5);
    }
    const float smaller[] = {4.95f,      4.455f,      4.0095f, 3.60855f, 3.247695f,
                             2.9229255f, 2.63063295f, 2.5f,    2.5f};
    for (float expected : smaller) {
        Type('p');
        EXPECT_NEAR(ProgramSession().orientation.eyeDistance, expected, 1e-5);
    }
    for (int i = 0; i < 20; ++i) Type('P');
    EXPECT_EQ(ProgramSession().orientation.eyeDistance, 5.5f);
    for (int i = 0; i < 40; ++i) Type('p');
    EXPECT_EQ(ProgramSession().orientation.eyeDistance, 2.5f);
}

INSTANTIATE_TEST_SUITE_P(Windows, ModelWindowKeys,
                         ::testing::Values(Window::Render, Window::Geometry),
                         [](const auto& paramInfo) {
                             return paramInfo.param == Window::Render ? "Render" : "Geometry";
                         });

}  // namespace
}  // namespace calyra::ui::testing
