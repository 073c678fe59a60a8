// The three control panels: View, Map and the Slide Bar, and the template
// builder they are made with.
#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <cmath>

#include "resources/dialog_templates.h"
#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"
#include "ui/dialog_builder.h"
#include "ui/slide_bar.h"

namespace calyra::ui::testing {
namespace {

QAbstractButton* Button(QDialog* panel, int id) {
    return qobject_cast<QAbstractButton*>(DialogItem(panel, id));
}

void Click(QDialog* panel, int id) {
    QAbstractButton* button = Button(panel, id);
    ASSERT_NE(button, nullptr) << "control " << id;
    button->click();
}

QScrollBar* ThresholdBar() {
    return qobject_cast<QScrollBar*>(DialogItem(slideBar, kCtlThresholdScrollBar));
}
std::string PercentShown() {
    return DialogItemText(slideBar, kCtlThresholdText).toStdString();
}

// Drags the Slide Bar's thumb to percent.
void DragThumbTo(int percent) {
    ThresholdBar()->setSliderPosition(percent);
}

bool Activate(QWidget* panel) {
    panel->activateWindow();
    return QTest::qWaitForWindowActive(panel);
}

void ExpectPoint(const Point3& p, float x, float y, float z) {
    EXPECT_NEAR(p.x, x, 1e-5f);
    EXPECT_NEAR(p.y, y, 1e-5f);
    EXPECT_NEAR(p.z, z, 1e-5f);
}

class PanelsTest : public FrameFixture {
  protected:
    void SetUp() override {
        thresholdPercent = 10;
        thresholdEditing = 0;
        thresholdSaved = 0.0f;
        FrameFixture::SetUp();
        ASSERT_NE(viewPanel, nullptr);
        ASSERT_NE(mapPanel, nullptr);
        ASSERT_NE(slideBar, nullptr);
    }

    void OpenSlideBar() {
        DispatchCommand(frame, kCmdThresholdPanel);
        ASSERT_TRUE(slideBar->isVisible());
    }
};

TEST_F(PanelsTest, StartWithViewAndMapShownAndTheSlideBarHidden) {
    EXPECT_TRUE(viewPanel->isVisible());
    EXPECT_TRUE(mapPanel->isVisible());
    EXPECT_FALSE(slideBar->isVisible());
    EXPECT_EQ(viewPanelShown, 1);
    EXPECT_EQ(mapPanelShown, 1);
    EXPECT_EQ(slideBarShown, 0);
    EXPECT_EQ(viewPanel->windowTitle(), "View");
    EXPECT_EQ(mapPanel->windowTitle(), "Map");
    EXPECT_EQ(slideBar->windowTitle(), "Slide Bar");
    EXPECT_EQ(viewPanel->parentWidget(), frame);
}

TEST_F(PanelsTest, StartWithSurfVPlaneAndTenPercentSelected) {
    EXPECT_TRUE(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Surface)));
    EXPECT_FALSE(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Transparent)));
    EXPECT_FALSE(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Slice)));
    EXPECT_FALSE(IsRadioButtonChecked(mapPanel, kCmdGrabWorld));
    EXPECT_TRUE(IsRadioButtonChecked(mapPanel, kCmdGrabViewPlane));
    EXPECT_EQ(PercentShown(), "10.0 %");
    ASSERT_NE(ThresholdBar(), nullptr);
    EXPECT_EQ(ThresholdBar()->value(), 10);
    EXPECT_EQ(ThresholdBar()->minimum(), 0);
    EXPECT_EQ(ThresholdBar()->maximum(), 100);
    EXPECT_TRUE(qobject_cast<QLineEdit*>(DialogItem(slideBar, kCtlThresholdText))->isReadOnly());
    EXPECT_FLOAT_EQ(ProgramSession().settings.threshold, 0.1f);
}

TEST_F(PanelsTest, EscapeAndTheSystemCloseLeaveEveryPanelOpen) {
    OpenSlideBar();
    for (QDialog* panel : {viewPanel, mapPanel, slideBar}) {
        QTest::keyClick(panel, Qt::Key_Escape);
        EXPECT_TRUE(panel->isVisible()) << panel->windowTitle().toStdString();
        EXPECT_FALSE(panel->close());
        EXPECT_TRUE(panel->isVisible()) << panel->windowTitle().toStdString();
    }
    EXPECT_EQ(slideBarShown, 1);
}

TEST_F(PanelsTest, MinimisingAPanelClearsItsShownFlag) {
    viewPanel->showMinimized();
    EXPECT_EQ(viewPanelShown, 0);
    viewPanel->showNormal();
    EXPECT_EQ(viewPanelShown, 1);
    mapPanel->showMinimized();
    EXPECT_EQ(mapPanelShown, 0);
    EXPECT_EQ(viewPanelShown, 1);
}

TEST_F(PanelsTest, ViewPanelSetsTheTypeAndMovesTheMenuCheckMark) {
    Click(viewPanel, RenderTypeCommand(RenderType::Slice));
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Slice);
    EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Slice)));
    EXPECT_FALSE(IsMenuItemChecked(RenderTypeCommand(RenderType::Surface)));
    EXPECT_TRUE(ProgramSession().renderPending);
    EXPECT_TRUE(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Slice)));
    EXPECT_FALSE(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Surface)));

    ProgramSession().renderPending = false;
    Click(viewPanel, RenderTypeCommand(RenderType::Transparent));
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Transparent);
    EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Transparent)));
    EXPECT_FALSE(IsMenuItemChecked(RenderTypeCommand(RenderType::Slice)));
    EXPECT_TRUE(ProgramSession().renderPending);
}

TEST_F(PanelsTest, ArrowKeysMoveThroughARadioGroupAndChooseTheObject) {
    ASSERT_TRUE(Activate(mapPanel));
    Button(mapPanel, kCmdGrabViewPlane)->setFocus();
    QTest::keyClick(Button(mapPanel, kCmdGrabViewPlane), Qt::Key_Up);
    EXPECT_TRUE(Button(mapPanel, kCmdGrabWorld)->hasFocus());
    EXPECT_TRUE(IsRadioButtonChecked(mapPanel, kCmdGrabWorld));
    EXPECT_EQ(grabTarget, 0);
    QTest::keyClick(Button(mapPanel, kCmdGrabWorld), Qt::Key_Down);
    EXPECT_EQ(grabTarget, 1);
}

TEST_F(PanelsTest, WorldSnapButtonsTurnTheBoxNotThePlaneAlone) {
    RotateWorld(ProgramSession().orientation, 0.4f, 0.3f);
    RotateViewPlane(ProgramSession().orientation, 0.4f, 0.3f);
    Click(mapPanel, kCmdGrabWorld);
    ASSERT_EQ(grabTarget, 0);
    ProgramSession().renderPending = false;
    Click(mapPanel, SnapPlaneCommand(Face::Front));  // Front
    ExpectPoint(ProgramSession().orientation.World[0], -0.5f, -0.5f, -0.5f);
    ExpectPoint(ProgramSession().orientation.World[6], 0.5f, 0.5f, 0.5f);
    // The plane turned with the box: it is still on the front face.
    ExpectPoint(ProgramSession().orientation.ViewPlane[4], 0.0f, 0.0f, -0.5f);
    EXPECT_FALSE(ProgramSession().renderPending);

    Click(mapPanel, SnapPlaneCommand(Face::Top));  // Top: the box's top face now faces the viewer
    ExpectPoint(ProgramSession().orientation.World[10], 0.0f, 0.0f, -0.5f);
}

TEST_F(PanelsTest, AfterASnapViewPlaneCommandTheButtonsMoveThePlane) {
    Click(mapPanel, kCmdGrabWorld);
    DispatchCommand(frame, SnapPlaneCommand(Face::Front));  // Snap ViewPlane to Front
    EXPECT_EQ(grabTarget, 1);
    EXPECT_TRUE(IsRadioButtonChecked(mapPanel, kCmdGrabWorld));  // the panel keeps its choice
    ProgramSession().renderPending = false;
    Click(mapPanel, SnapPlaneCommand(Face::Back));  // Back
    ExpectPoint(ProgramSession().orientation.ViewPlane[0], 0.5f, -0.5f, 0.5f);
    ExpectPoint(ProgramSession().orientation.ViewPlane[1], -0.5f, -0.5f, 0.5f);
    ExpectPoint(ProgramSession().orientation.ViewPlane[4], 0.0f, 0.0f, 0.5f);
    ExpectPoint(ProgramSession().orientation.ViewPlane[5], 0.0f, 0.0f, 0.0f);
    ExpectPoint(ProgramSession().orientation.World[0], -0.5f, -0.5f, -0.5f);
    EXPECT_TRUE(ProgramSession().renderPending);
}

TEST_F(PanelsTest, EachSnapButtonPutsThePlaneOnItsFace) {
    const struct {
        int id;
        Point3 centre;
    } faces[] = {{SnapPlaneCommand(Face::Front), {0, 0, -0.5f}},
                 {SnapPlaneCommand(Face::Back), {0, 0, 0.5f}},
                 {SnapPlaneCommand(Face::Top), {0, -0.5f, 0}},
                 {SnapPlaneCommand(Face::Bottom), {0, 0.5f, 0}},
                 {SnapPlaneCommand(Face::Left), {-0.5f, 0, 0}},
                 {SnapPlaneCommand(Face::Right), {0.5f, 0, 0}}};
    for (const auto& face : faces) {
        Click(mapPanel, face.id);
        SCOPED_TRACE(face.id);
        ExpectPoint(ProgramSession().orientation.ViewPlane[4], face.centre.x, face.centre.y,
                    face.centre.z);
    }
}

TEST_F(PanelsTest, PanningInTwiceAndOutTwiceReturnsThePlane) {
    ProgramSession().renderPending = false;
    Point3 start[kViewPlanePoints];
    std::copy(std::begin(ProgramSession().orientation.ViewPlane),
              std::end(ProgramSession().orientation.ViewPlane), start);
    Click(mapPanel, kCtlPanIn);
    ExpectPoint(ProgramSession().orientation.ViewPlane[5], 0.0f, 0.0f, 0.05f);
    Click(mapPanel, kCtlPanIn);
    ExpectPoint(ProgramSession().orientation.ViewPlane[4], 0.0f, 0.0f, -0.4f);
    EXPECT_FALSE(ProgramSession().renderPending);
    Click(mapPanel, kCtlPanOut);
    Click(mapPanel, kCtlPanOut);
    for (int i = 0; i < kViewPlanePoints; ++i) {
        ExpectPoint(ProgramSession().orientation.ViewPlane[i], start[i].x, start[i].y, start[i].z);
    }
    EXPECT_FALSE(ProgramSession().renderPending);
}

TEST_F(PanelsTest, MapPanelKeysPanScaleRenderAndStepTheType) {
    QWidget* focus = Button(mapPanel, SnapPlaneCommand(Face::Front));
    QTest::keyClick(focus, '+');
    ExpectPoint(ProgramSession().orientation.ViewPlane[4], 0.0f, 0.0f, -0.45f);
    QTest::keyClick(focus, '-');
    ExpectPoint(ProgramSession().orientation.ViewPlane[4], 0.0f, 0.0f, -0.5f);

    for (int i = 0; i < 6; ++i) QTest::keyClick(focus, 'P');
    EXPECT_FLOAT_EQ(ProgramSession().orientation.eyeDistance, 5.5f);
    for (int i = 0; i < 12; ++i) QTest::keyClick(focus, 'p');
    EXPECT_FLOAT_EQ(ProgramSession().orientation.eyeDistance, 2.5f);

    QTest::keyClick(focus, 'r');
    EXPECT_TRUE(ProgramSession().renderPending);

    ProgramSession().renderPending = false;
    QTest::keyClick(focus, 'T');
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Transparent);
    EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Transparent)));
    EXPECT_FALSE(IsMenuItemChecked(RenderTypeCommand(RenderType::Surface)));
    EXPECT_TRUE(ProgramSession().renderPending);
    // The View panel's buttons stay where they were.
    EXPECT_TRUE(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Surface)));
    QTest::keyClick(focus, 't');
    QTest::keyClick(focus, 't');
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Surface);
    EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Surface)));
}

struct PercentCase {
    int percent;
    const char* text;
};

class PercentText : public ::testing::TestWithParam<PercentCase> {};

TEST_P(PercentText, RightAlignsTheNumberInFourCharacters) {
    EXPECT_EQ(ThresholdPercentText(GetParam().percent), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(SlideBar, PercentText,
                         ::testing::Values(PercentCase{0, " 0.0 %"}, PercentCase{5, " 5.0 %"},
                                           PercentCase{10, "10.0 %"}, PercentCase{100, "100.0 %"}));

struct ScrollCase {
    int percent;
    int code;
    int thumb;
    int expected;
};

class ScrollRequest : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollRequest, MovesThePercentageWithinZeroToHundred) {
    const ScrollCase& c = GetParam();
    EXPECT_EQ(ScrolledThresholdPercent(c.percent, c.code, c.thumb), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    SlideBar, ScrollRequest,
    ::testing::Values(ScrollCase{10, kLineLeft, 0, 9}, ScrollCase{0, kLineLeft, 0, 0},
                      ScrollCase{10, kLineRight, 0, 11}, ScrollCase{100, kLineRight, 0, 100},
                      ScrollCase{5, kPageLeft, 0, 0}, ScrollCase{30, kPageLeft, 0, 20},
                      ScrollCase{95, kPageRight, 0, 100}, ScrollCase{30, kPageRight, 0, 40},
                      ScrollCase{10, kThumbTrack, 42, 42}, ScrollCase{10, kThumbPosition, 77, 77},
                      ScrollCase{50, kLeftEnd, 0, 0}, ScrollCase{50, kRightEnd, 0, 100},
                      ScrollCase{50, kEndScroll, 3, 50}, ScrollCase{50, 99, 3, 50}));

TEST_F(PanelsTest, EndAndHomeKeysMoveTheFocusedScrollBarToItsEnds) {
    OpenSlideBar();
    QScrollBar* bar = ThresholdBar();
    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_EQ(thresholdPercent, 100);
    EXPECT_EQ(bar->value(), 100);
    EXPECT_EQ(PercentShown(), "100.0 %");
    QTest::keyClick(bar, Qt::Key_Home);
    EXPECT_EQ(thresholdPercent, 0);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(PercentShown(), " 0.0 %");
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(PercentShown(), " 1.0 %");
    QTest::keyClick(bar, Qt::Key_PageDown);
    EXPECT_EQ(PercentShown(), "11.0 %");
    QTest::keyClick(bar, Qt::Key_Left);
    EXPECT_EQ(bar->value(), 10);
    // Scrolling alone never changes the threshold.
    EXPECT_FLOAT_EQ(ProgramSession().settings.threshold, 0.1f);
    EXPECT_EQ(thresholdEditing, 0);
}

TEST_F(PanelsTest, CancelAfterSeveralPreviewsRestoresTheThresholdFromBeforeThem) {
    OpenSlideBar();
    DragThumbTo(0);
    Click(slideBar, kCtlThresholdPreview);
    EXPECT_EQ(ProgramSession().settings.threshold, 0.0f);
    EXPECT_TRUE(ProgramSession().renderPending);
    DragThumbTo(35);
    EXPECT_EQ(PercentShown(), "35.0 %");
    Click(slideBar, kCtlThresholdPreview);
    EXPECT_EQ(ProgramSession().settings.threshold, 0.35f);
    DragThumbTo(60);
    Click(slideBar, kCtlThresholdPreview);
    EXPECT_EQ(ProgramSession().settings.threshold, 0.6f);

    ProgramSession().renderPending = false;
    Click(slideBar, kCtlThresholdCancel);
    EXPECT_EQ(ProgramSession().settings.threshold, 0.1f);
    EXPECT_EQ(thresholdPercent, 10);
    EXPECT_EQ(ThresholdBar()->value(), 10);
    EXPECT_EQ(PercentShown(), "10.0 %");
    EXPECT_FALSE(slideBar->isVisible());
    EXPECT_EQ(slideBarShown, 0);
    EXPECT_EQ(thresholdEditing, 0);
    EXPECT_FALSE(ProgramSession().renderPending);  // the image keeps the previewed threshold
}

TEST_F(PanelsTest, CancelShowsASavedFloatThresholdTruncatedNotRounded) {
    OpenSlideBar();
    DragThumbTo(35);
    Click(slideBar, kCtlThresholdPreview);
    Click(slideBar, kCtlThresholdClose);
    ASSERT_EQ(ProgramSession().settings.threshold, 0.35f);  // held just below 0.35

    OpenSlideBar();
    DragThumbTo(60);
    Click(slideBar, kCtlThresholdPreview);
    Click(slideBar, kCtlThresholdCancel);
    EXPECT_EQ(ProgramSession().settings.threshold, 0.35f);
    EXPECT_EQ(thresholdPercent, 34);
    EXPECT_EQ(ThresholdBar()->value(), 34);
    EXPECT_EQ(PercentShown(), "34.0 %");
}

TEST_F(PanelsTest, CloseKeepsThePreviewedThreshold) {
    OpenSlideBar();
    DragThumbTo(50);
    Click(slideBar, kCtlThresholdPreview);
    Click(slideBar, kCtlThresholdClose);
    EXPECT_EQ(ProgramSession().settings.threshold, 0.5f);
    EXPECT_FALSE(slideBar->isVisible());
    EXPECT_EQ(slideBarShown, 0);
    EXPECT_EQ(thresholdEditing, 0);
    EXPECT_EQ(PercentShown(), "50.0 %");
}

TEST_F(PanelsTest, TabMovesFromTheScrollBarThroughTheButtons) {
    OpenSlideBar();
    ASSERT_TRUE(Activate(slideBar));
    ThresholdBar()->setFocus();
    QTest::keyClick(ThresholdBar(), Qt::Key_Tab);
    EXPECT_TRUE(Button(slideBar, kCtlThresholdPreview)->hasFocus());
    QTest::keyClick(Button(slideBar, kCtlThresholdPreview), Qt::Key_Tab);
    EXPECT_TRUE(Button(slideBar, kCtlThresholdCancel)->hasFocus());
    // The read-only percentage is no tab stop: Shift+Tab from Preview returns to the bar.
    QTest::keyClick(Button(slideBar, kCtlThresholdCancel), Qt::Key_Backtab);
    QTest::keyClick(Button(slideBar, kCtlThresholdPreview), Qt::Key_Backtab);
    EXPECT_TRUE(ThresholdBar()->hasFocus());
}

TEST(DialogUnits, ConvertWithAQuarterOfTheCharacterWidthAndAnEighthOfItsHeight) {
    const DialogBaseUnits classic{6, 13};
    EXPECT_EQ(DialogUnitsToPixels(QRect(0, 0, 64, 90), classic), QRect(0, 0, 96, 146));
    EXPECT_EQ(DialogUnitsToPixels(QRect(440, -63, 129, 42), classic), QRect(660, -102, 194, 68));
    const DialogBaseUnits wide{8, 16};
    EXPECT_EQ(DialogUnitsToPixels(QRect(3, 7, 59, 73), wide), QRect(6, 14, 118, 146));
}

// Enter is the OK command, which no panel acts on: no button of a panel is
// the default, and Enter on a focused button does not click it.
TEST_F(PanelsTest, EnterInAPanelClicksNoButtonAndChangesNothing) {
    OpenSlideBar();
    DispatchCommand(frame, kCmdBallModel);
    QCoreApplication::processEvents();
    for (QDialog* panel : {viewPanel, mapPanel, slideBar}) {
        for (QPushButton* button : panel->findChildren<QPushButton*>()) {
            EXPECT_FALSE(button->isDefault()) << button->text().toStdString();
        }
    }
    Point3 plane[kViewPlanePoints];
    std::copy(ProgramSession().orientation.ViewPlane,
              ProgramSession().orientation.ViewPlane + kViewPlanePoints, plane);
    Point3 world[kWorldPoints];
    std::copy(ProgramSession().orientation.World, ProgramSession().orientation.World + kWorldPoints,
              world);
    // With Live Update the scroll itself sets the threshold: Enter must change nothing after it.
    DragThumbTo(60);
    const float before = ProgramSession().settings.threshold;
    ProgramSession().renderPending = false;
    const auto unchanged = [&](const char* where) {
        for (int i = 0; i < kViewPlanePoints; ++i) {
            EXPECT_EQ(ProgramSession().orientation.ViewPlane[i].x, plane[i].x) << where;
            EXPECT_EQ(ProgramSession().orientation.ViewPlane[i].z, plane[i].z) << where;
        }
        for (int i = 0; i < kWorldPoints; ++i)
            EXPECT_EQ(ProgramSession().orientation.World[i].x, world[i].x) << where;
        EXPECT_EQ(ProgramSession().settings.threshold, before) << where;
        EXPECT_FALSE(ProgramSession().renderPending) << where;
    };
    for (QDialog* panel : {mapPanel, slideBar, viewPanel}) {
        ASSERT_TRUE(Activate(panel));
        QTest::keyClick(panel, Qt::Key_Return);
        QTest::keyClick(panel, Qt::Key_Enter);
        unchanged(qPrintable(panel->windowTitle()));
        // With the focus on a button.
        for (QPushButton* button : panel->findChildren<QPushButton*>()) {
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Return);
            unchanged(qPrintable(button->text()));
        }
    }
    EXPECT_TRUE(slideBar->isVisible());
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Surface);
}

struct OnScreenCase {
    QRect frame;
    QPoint expected;
};

class FrameOnScreen : public ::testing::TestWithParam<OnScreenCase> {};

TEST_P(FrameOnScreen, TheWholeFrameStaysOnTheScreen) {
    const QRect area(0, 0, 1024, 768);
    EXPECT_EQ(KeepFrameOnScreen(GetParam().frame, area), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Placements, FrameOnScreen,
                         ::testing::Values(
                             // Inside: unchanged.
                             OnScreenCase{QRect(100, 100, 200, 150), QPoint(100, 100)},
                             // A panel whose client fits but whose title bar pushes its bottom off.
                             OnScreenCase{QRect(10, 640, 300, 150), QPoint(10, 618)},
                             // Off the right and the bottom corner.
                             OnScreenCase{QRect(900, 700, 200, 100), QPoint(824, 668)},
                             // Off the top-left.
                             OnScreenCase{QRect(-30, -5, 200, 100), QPoint(0, 0)},
                             // Larger than the screen: its top-left corner stays reachable.
                             OnScreenCase{QRect(50, 50, 1200, 900), QPoint(0, 0)}));

TEST_F(PanelsTest, EveryPanelFrameLiesOnTheScreen) {
    OpenSlideBar();
    QCoreApplication::processEvents();
    for (QDialog* panel : {viewPanel, mapPanel, slideBar}) {
        const QRect area = panel->screen()->availableGeometry();
        EXPECT_TRUE(area.contains(panel->frameGeometry())) << panel->windowTitle().toStdString();
    }
}

class TemplateText : public ::testing::TestWithParam<const char*> {};

TEST_P(TemplateText, EveryControlShowsItsTemplateTextAtItsPlace) {
    const DialogTemplate* t = resources::FindDialogTemplate(GetParam());
    ASSERT_NE(t, nullptr);
    TemplateDialog dialog(*t, nullptr, nullptr, DialogMode::Panel);
    EXPECT_EQ(dialog.windowTitle(), t->caption);
    const DialogBaseUnits base = dialog.baseUnits();
    EXPECT_EQ(dialog.width(), DialogUnitsToPixels(QRect(0, 0, t->width, t->height), base).width());
    for (const ControlTemplate& c : t->controls) {
        if (c.id == kNoControlId) continue;
        QWidget* control = DialogItem(&dialog, c.id);
        ASSERT_NE(control, nullptr) << "control " << c.id;
        if (c.kind != ControlKind::Icon && c.kind != ControlKind::DropDownList) {
            EXPECT_EQ(DialogItemText(&dialog, c.id), c.text) << "control " << c.id;
        }
        EXPECT_EQ(control->pos(), DialogUnitsToPixels(QRect(c.x, c.y, 1, 1), base).topLeft());
    }
}

INSTANTIATE_TEST_SUITE_P(Templates, TemplateText,
                         ::testing::Values("View2", "Map2", "ThrAdj", "FileLoad", "1002"));

}  // namespace
}  // namespace calyra::ui::testing
