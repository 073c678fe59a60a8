// Keeping pictures: "&Save Image..." and "Co&py Image", their keys, the
// picture's layout, and the batch renderer drawing the very same pixels.
#include "ui/image_commands.h"

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QTest>

#include "picture/cells.h"
#include "picture/picture_file.h"
#include "render/grey_map.h"
#include "render/ray_driver.h"
#include "tests/gui/frame_fixture.h"
#include "tests/gui/run_program.h"
#include "tests/gui/temp_dir.h"
#include "ui/commands.h"
#include "ui/file_chooser.h"
#include "ui/platform.h"
#include "ui/render_window.h"
#include "ui/shown_view.h"
#include "ui/stereo_pair.h"

namespace calyra::ui::testing {
namespace {

int LitPixels(const QImage& image) {
    int lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) lit += qGray(image.pixel(x, y)) > 0 ? 1 : 0;
    return lit;
}

class ImageCommandsTest : public FrameFixture {
  protected:
    void SetUp() override {
        FrameFixture::SetUp();
        messages.clear();  // the welcome box
        ASSERT_TRUE(dir.isValid());
        SetFileUseChooser([this](QWidget*, FileUse use) {
            ++chooserRuns;
            EXPECT_EQ(use, FileUse::SavePicture);
            return chosen;
        });
    }
    void TearDown() override {
        SetFileUseChooser({});
        FrameFixture::TearDown();
    }

    RenderWindow* ShowBall(int width, int height) {
        return testing::ShowBall(frame, width, height);
    }

    TempDir dir;
    QString chosen;
    int chooserRuns = 0;
};

TEST_F(ImageCommandsTest, SaveImageFromTheMenuWritesTheRedrawnSquareAsPng) {
    ShowBall(240, 180);
    chosen = dir.filePath("ball");  // no extension: PNG
    MenuItem(kCmdSaveImage)->trigger();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFileInfo::exists(chosen));
    QImageReader reader(chosen + ".png");
    EXPECT_EQ(reader.format(), "png");
    const QImage saved = reader.read();
    ASSERT_FALSE(saved.isNull());
    // The smaller client side, drawn from the top-left corner.
    EXPECT_EQ(saved.size(), QSize(180, 180));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
              picture::MonoPicture(ProgramSession().buffers, ProgramSession().settings, 180,
                                   RaysPerSide(ProgramSession())));
    EXPECT_GT(LitPixels(saved), 180 * 180 / 10);  // the ball is in it
    // Cell (i, j) of the window's image is the square at (i, j) x cell.
    const float cell = 180.0f / static_cast<float>(RaysPerSide(ProgramSession()));
    const float k = GreyScale(ProgramSession().buffers.displayMax);
    for (int j = 3; j < RaysPerSide(ProgramSession()); j += 9) {
        for (int i = 2; i < RaysPerSide(ProgramSession()); i += 7) {
            const int x = static_cast<int>((static_cast<float>(i) + 0.5f) * cell);
            const int y = static_cast<int>((static_cast<float>(j) + 0.5f) * cell);
            EXPECT_EQ(qRed(saved.pixel(x, y)), GreyLevel(ProgramSession().buffers.ImageAt(i, j), k))
                << i << ", " << j;
        }
    }
}

TEST_F(ImageCommandsTest, CtrlSSavesAndCtrlCCopiesWithoutReachingTheRenderWindowKeys) {
    RenderWindow* window = ShowBall(128, 128);
    ASSERT_NE(window, nullptr);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    window->setFocus();
    const float separation = stereoSeparation;
    chosen = dir.filePath("keys.png");
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(chooserRuns, 1);
    EXPECT_EQ(QImage(chosen).size(), QSize(128, 128));
    EXPECT_EQ(stereoSeparation, separation);  // not the 's' key

    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
    const QImage copied = clipboard->image();
    if (copied.isNull()) GTEST_SKIP() << "this platform keeps no clipboard images";
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
              QImage(chosen).convertToFormat(QImage::Format_RGB32));
}

TEST_F(ImageCommandsTest, TheRenderWindowKeyTableIgnoresControlLetters) {
    RenderWindow* window = ShowBall(128, 128);
    ASSERT_NE(window, nullptr);
    const float separation = stereoSeparation;
    const float convergence = stereoConvergence;
    ProgramSession().renderPending = false;
    for (const auto& [key, text] : {std::pair{Qt::Key_S, "s"}, std::pair{Qt::Key_A, "a"},
                                    std::pair{Qt::Key_R, "r"}, std::pair{Qt::Key_D, "d"}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier, QString::fromLatin1(text));
        QCoreApplication::sendEvent(window, &press);
    }
    EXPECT_EQ(stereoSeparation, separation);
    EXPECT_EQ(stereoConvergence, convergence);
    EXPECT_FALSE(ProgramSession().renderPending);
    EXPECT_EQ(demoRunning, 0);
}

// A frame that lands while the chooser is up (a live render, a volume
// finishing its load) changes neither the saved pixels nor their view: the
// picture renders again to itself.
TEST_F(ImageCommandsTest, TheSavedViewIsThatOfTheSavedPixelsWhateverLandsDuringTheChooser) {
    RenderWindow* window = ShowBall(128, 128);
    ASSERT_NE(window, nullptr);
    const QString before = ShownViewText();
    QImage shownBefore;
    SetFileUseChooser([&](QWidget*, FileUse) {
        shownBefore = window->picture();
        ProgramSession().settings.threshold = 0.6f;
        RequestRender(ProgramSession());
        PaintNow(window);
        return dir.filePath("landed.png");
    });
    DispatchCommand(frame, kCmdSaveImage);
    ASSERT_TRUE(messages.empty());
    EXPECT_NE(ShownViewText(), before);  // the later frame is on screen
    QImageReader reader(dir.filePath("landed.png"));
    const QImage saved = reader.read();
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.text(QString::fromLatin1(picture::kViewTextKey)), before);
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
              shownBefore.convertToFormat(QImage::Format_RGB32));
}

struct FormatCase {
    const char* name;
    QByteArray format;
    bool lossless;
};

class SavedFormat : public ImageCommandsTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(SavedFormat, TheExtensionChoosesTheWriter) {
    const FormatCase& c = GetParam();
    if (!QImageWriter::supportedImageFormats().contains(c.format))
        GTEST_SKIP() << "no " << c.format.constData() << " writer installed";
    ShowBall(96, 120);
    chosen = dir.filePath(QString::fromLatin1(c.name));
    DispatchCommand(frame, kCmdSaveImage);
    EXPECT_TRUE(messages.empty());
    QImageReader reader(chosen);
    EXPECT_EQ(reader.format(), c.format);
    const QImage saved = reader.read();
    ASSERT_EQ(saved.size(), QSize(96, 96));
    if (c.lossless) {
        EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
                  picture::MonoPicture(ProgramSession().buffers, ProgramSession().settings, 96,
                                       RaysPerSide(ProgramSession())));
    } else {
        EXPECT_GT(LitPixels(saved), 96 * 96 / 10);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SavedFormat,
    ::testing::Values(FormatCase{"a.png", "png", true}, FormatCase{"a.jpg", "jpeg", false},
                      FormatCase{"a.JPEG", "jpeg", false}, FormatCase{"a.tif", "tiff", true},
                      FormatCase{"a.tiff", "tiff", true}, FormatCase{"a.bmp", "bmp", true}));

TEST_F(ImageCommandsTest, AnUnknownExtensionOrAFailedWriteIsAMessageAndNoFile) {
    ShowBall(64, 64);
    chosen = dir.filePath("picture.xyz");
    DispatchCommand(frame, kCmdSaveImage);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("picture.xyz")) << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains(".png")) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].caption, "Save Image");
    EXPECT_FALSE(QFileInfo::exists(chosen));

    messages.clear();
    chosen = dir.filePath("no/such/folder/picture.png");
    DispatchCommand(frame, kCmdSaveImage);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("Cannot write")) << messages[0].text.toStdString();

    // A folder where the file should go: nothing is written over or beside it.
    messages.clear();
    chosen = dir.filePath("taken.png");
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.png"));
    DispatchCommand(frame, kCmdSaveImage);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

TEST_F(ImageCommandsTest, WithoutAnImageTheCommandsSaySoAndAskForNoName) {
    chosen = dir.filePath("none.png");
    DispatchCommand(frame, kCmdSaveImage);
    DispatchCommand(frame, kCmdCopyImage);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, kNoImageText);
    EXPECT_EQ(messages[1].caption, "Copy Image");
    EXPECT_EQ(chooserRuns, 0);
    EXPECT_FALSE(QFileInfo::exists(chosen));
}

TEST_F(ImageCommandsTest, AStereoPairIsSavedAsShownAtTheClientSize) {
    ShowBall(200, 160);
    DispatchCommand(frame, kCmdStereo);
    const QImage shown = Paint(renderWindow);
    chosen = dir.filePath("pair.png");
    DispatchCommand(frame, kCmdSaveImage);
    const QImage saved(chosen);
    ASSERT_EQ(saved.size(), QSize(200, 160));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
              shown.convertToFormat(QImage::Format_RGB32));
}

TEST_F(ImageCommandsTest, APendingRenderRunsBeforeThePictureIsTaken) {
    ShowBall(100, 100);
    DispatchCommand(frame,
                    RenderTypeCommand(RenderType::Slice));  // asks for a render, not yet painted
    ASSERT_TRUE(ProgramSession().renderPending);
    chosen = dir.filePath("slice.png");
    DispatchCommand(frame, kCmdSaveImage);
    EXPECT_FALSE(ProgramSession().renderPending);
    EXPECT_EQ(QImage(chosen).convertToFormat(QImage::Format_RGB32),
              picture::MonoPicture(ProgramSession().buffers, ProgramSession().settings, 100,
                                   RaysPerSide(ProgramSession())));
}

// The saved picture of a mono view and calyra-render's --size picture of the
// same view are the same pixels.
TEST_F(ImageCommandsTest, TheBatchRendererDrawsTheSamePictureAtTheSameSize) {
    ShowBall(150, 150);
    chosen = dir.filePath("gui.png");
    DispatchCommand(frame, kCmdSaveImage);
    const QString batch = dir.filePath("cli.png");
    const ProgramRun run = RunProgram(QStringLiteral(CALYRA_RENDER_EXE),
                                      {"--model", "ball", "--size", "150", "--out", batch});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const QImage gui = QImage(chosen).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(gui, QImage(batch).convertToFormat(QImage::Format_RGB32));
    EXPECT_GT(LitPixels(gui), 150 * 150 / 10);
}

TEST_F(ImageCommandsTest, ParameterMarksFollowTheirSettings) {
    EXPECT_FALSE(IsMenuItemChecked(kCmdStereo));
    EXPECT_FALSE(IsMenuItemChecked(kCmdInterpolate));
    EXPECT_TRUE(IsMenuItemChecked(kCmdGradientShading));  // on at start
    for (const int id : {kCmdStereo, kCmdInterpolate, kCmdGradientShading}) {
        const bool before = IsMenuItemChecked(id);
        DispatchCommand(frame, id);
        EXPECT_NE(IsMenuItemChecked(id), before) << id;
    }
    EXPECT_TRUE(ProgramSession().settings.stereo && ProgramSession().settings.interpolate &&
                !ProgramSession().settings.gradientShading);
    // A build switches interpolation off, and its mark with it.
    DispatchCommand(frame, kCmdBallModel);
    EXPECT_FALSE(ProgramSession().settings.interpolate);
    EXPECT_FALSE(IsMenuItemChecked(kCmdInterpolate));
    EXPECT_TRUE(IsMenuItemChecked(kCmdStereo));
}

// What the render window's sub-window shows while a render runs.
class TitlePaints : public QObject {
  public:
    explicit TitlePaints(QWidget* sub) { sub->installEventFilter(this); }
    QStringList titles;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) titles << static_cast<QWidget*>(watched)->windowTitle();
        return false;
    }
};

TEST_F(ImageCommandsTest, TheWaitCaptionIsPaintedBeforeTheRenderRuns) {
    RenderWindow* window = ShowBall(128, 128);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    QCoreApplication::processEvents();
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    ASSERT_NE(sub, nullptr);
    TitlePaints paints(sub);
    CaptionRecorder captions(window);
    ProgramSession().buffers.displayMax = -1;  // set again by the render
    window->handleCharacter('r');
    for (int i = 0; i < 50 && ProgramSession().renderPending; ++i) QTest::qWait(10);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ProgramSession().renderPending);
    EXPECT_NE(ProgramSession().buffers.displayMax, -1);
    EXPECT_TRUE(paints.titles.contains("Please wait for rendering !"))
        << paints.titles.join(" | ").toStdString();
    EXPECT_EQ(captions.captions,
              QStringList({"Please wait for rendering !", "Calyra Volume Visualization"}));
    EXPECT_EQ(window->windowTitle(), "Calyra Volume Visualization");
    // The MDI sub-window's title bar shows the same caption.
    EXPECT_EQ(sub->windowTitle(), "Calyra Volume Visualization");
}

TEST_F(ImageCommandsTest, EveryWindowShowsTheProgramIcon) {
    DispatchCommand(frame, kCmdBallModel);
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(frame->windowIcon().cacheKey(), icon.cacheKey());
    EXPECT_EQ(renderWindow->parentWidget()->windowIcon().cacheKey(), icon.cacheKey());
    EXPECT_EQ(viewPanel->windowIcon().cacheKey(), icon.cacheKey());
    const QImage large = icon.pixmap(64, 64).toImage();
    EXPECT_GT(LitPixels(large), 64 * 64 / 2);
}

}  // namespace
}  // namespace calyra::ui::testing
