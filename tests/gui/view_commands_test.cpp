// "Sa&ve View..." and "Open V&iew...": a view composed in the window comes
// back exactly, from its file or from a saved picture, here and in batch.
#include "ui/view_commands.h"

#include <QFile>
#include <QImage>
#include <algorithm>
#include <vector>

#include "geometry/orientation.h"
#include "render/buffers.h"
#include "render/user_settings.h"
#include "tests/gui/frame_fixture.h"
#include "tests/gui/run_program.h"
#include "tests/gui/temp_dir.h"
#include "ui/commands.h"
#include "ui/demo.h"
#include "ui/file_chooser.h"
#include "ui/image_commands.h"
#include "ui/render_window.h"
#include "ui/shown_view.h"

namespace calyra::ui::testing {
namespace {

struct Buffers {
    std::vector<std::uint32_t> image;
    std::vector<std::int32_t> depth;
    std::int32_t max = 0;
    bool operator==(const Buffers&) const = default;
};

// The buffers of the image shown now.
Buffers Shown() {
    return {std::vector<std::uint32_t>(std::begin(ProgramSession().buffers.ImageBuffer),
                                       std::end(ProgramSession().buffers.ImageBuffer)),
            std::vector<std::int32_t>(std::begin(ProgramSession().buffers.DepthBuffer),
                                      std::end(ProgramSession().buffers.DepthBuffer)),
            ProgramSession().buffers.displayMax};
}

Buffers Rendered(QWidget* window) {
    ProgramSession().renderPending = true;
    Paint(window);
    return Shown();
}

class ViewCommandsTest : public FrameFixture {
  protected:
    void SetUp() override {
        FrameFixture::SetUp();
        messages.clear();  // the welcome box
        ProgramSession().shownVolume = {};
        ASSERT_TRUE(dir.isValid());
        SetFileUseChooser([this](QWidget*, FileUse) { return chosen; });
    }
    void TearDown() override {
        SetFileUseChooser({});
        FrameFixture::TearDown();
    }

    // The cone turned by hand: snaps, turns, a pan, a demonstration step.
    void ComposeCone() {
        DispatchCommand(frame, kCmdCone);
        DispatchCommand(frame, RenderTypeCommand(RenderType::Transparent));
        DispatchCommand(frame, kCmdInterpolate);
        SnapWorld(ProgramSession().orientation, Face::Left);
        RotateViewPlane(ProgramSession().orientation, 0.37f, -0.21f);
        PanViewPlane(ProgramSession().orientation, PanDirection::In);
        DemoStep();
        RotateWorld(ProgramSession().orientation, 0.1f, 0.05f);
    }

    TempDir dir;
    QString chosen;
};

TEST_F(ViewCommandsTest, ASavedViewOpensAgainWithIdenticalBuffers) {
    ComposeCone();
    const Buffers composed = Rendered(renderWindow);
    chosen = dir.filePath("cone.view");
    DispatchCommand(frame, kCmdSaveView);
    ASSERT_TRUE(QFile::exists(chosen));

    // Something else entirely, then the view again.
    DispatchCommand(frame, kCmdBallModel);
    DispatchCommand(frame, RenderTypeCommand(RenderType::Slice));
    ProgramSession().orientation = Orientation();
    DispatchCommand(frame, kCmdOpenView);
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
    EXPECT_EQ(ProgramSession().modelType, ModelType::Cone);
    EXPECT_TRUE(ProgramSession().settings.interpolate);
    EXPECT_TRUE(IsMenuItemChecked(kCmdInterpolate));
    EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Transparent)));
    EXPECT_FALSE(IsMenuItemChecked(RenderTypeCommand(RenderType::Slice)));
    EXPECT_TRUE(Rendered(renderWindow) == composed);
}

TEST_F(ViewCommandsTest, ASavedPictureRendersIdenticallyInBatchAndOpensAsAView) {
    ComposeCone();
    Paint(renderWindow);
    chosen = dir.filePath("cone.png");
    DispatchCommand(frame, kCmdSaveImage);
    ASSERT_TRUE(messages.empty());
    const QImage gui(chosen);
    ASSERT_FALSE(gui.isNull());

    const QString batch = dir.filePath("batch.png");
    const ProgramRun run =
        RunProgram(QStringLiteral(CALYRA_RENDER_EXE),
                   {"--view", chosen, "--size", QString::number(gui.width()), "--out", batch});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const QImage cli = QImage(batch).convertToFormat(QImage::Format_RGB32);
    const QImage g = gui.convertToFormat(QImage::Format_RGB32);
    int differ = 0;
    for (int y = 0; y < std::min(g.height(), cli.height()); ++y)
        for (int x = 0; x < std::min(g.width(), cli.width()); ++x)
            differ += g.pixel(x, y) != cli.pixel(x, y);
    EXPECT_EQ(differ, 0) << g.width() << "x" << g.height() << " vs " << cli.width() << "x"
                         << cli.height() << "\n"
                         << ShownViewText().toStdString();
    EXPECT_EQ(g, cli);

    // The picture shows the render before the last World turn, which
    // changes no image; the view it carries is that render's.
    const Buffers composed = Shown();
    DispatchCommand(frame, kCmdMonkey);
    DispatchCommand(frame, kCmdOpenView);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(Rendered(renderWindow) == composed);
}

TEST_F(ViewCommandsTest, WhatCannotBeShownIsAMessageAndChangesNothing) {
    DispatchCommand(frame, kCmdSaveView);  // nothing shown yet
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kNoViewText);

    DispatchCommand(frame, kCmdHyperboloid);
    QWidget* shown = renderWindow;
    messages.clear();
    chosen = dir.filePath("bad.view");
    QFile bad(chosen);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("calyra-view 9\nsource model cone\n");
    bad.close();
    DispatchCommand(frame, kCmdOpenView);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("newer than this program"))
        << messages[0].text.toStdString();
    EXPECT_EQ(renderWindow, shown);
    EXPECT_EQ(ProgramSession().modelType, ModelType::Hyperboloid);
}

}  // namespace
}  // namespace calyra::ui::testing
