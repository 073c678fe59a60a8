// "Save Movie...": the turn rendered exactly on a thread of its own at the
// picture size of Save Image, a progress box whose Cancel leaves no file,
// and every failure a message.
#include "ui/movie_commands.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <vector>

#include "render/transfer_function_presets.h"
#include "tests/gui/frame_fixture.h"
#include "tests/movie/movie_test_support.h"
#include "ui/commands.h"
#include "ui/movie_dialog.h"
#include "ui/render_window.h"
#include "ui/setting_commands.h"

namespace calyra::ui::testing {
namespace {

// Presses the progress box's Cancel once it shows at least one frame done.
void CancelAfterTheFirstFrame(bool& pressed) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, &pressed] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(w);
            if (!progress || !progress->isVisible() || progress->value() < 1) continue;
            timer->stop();
            timer->deleteLater();
            for (QPushButton* button : progress->findChildren<QPushButton*>()) {
                if (button->text() != QStringLiteral("Cancel")) continue;
                pressed = true;
                button->click();
            }
            return;
        }
    });
    timer->start(5);
}

// The names in a folder, sorted.
QStringList NamesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// The dialog answered with choice (nothing: its Cancel) while the test runs.
class SaveMovieTest : public FrameFixture {
  protected:
    SaveMovieTest() {
        SetMovieAsker([this](QWidget*, const MovieChoice& last) -> std::optional<MovieChoice> {
            asked.push_back(last);
            return choice;
        });
    }
    ~SaveMovieTest() override { SetMovieAsker({}); }
    void SetUp() override {
        FrameFixture::SetUp();
        messages.clear();  // the welcome box
        ASSERT_TRUE(dir.isValid());
    }
    RenderWindow* ShowBall(int width, int height) {
        return testing::ShowBall(frame, width, height);
    }

    TempDir dir;
    std::optional<MovieChoice> choice;
    std::vector<MovieChoice> asked;  // where the dialog started, each time it ran
};

struct KindCase {
    const char* name;
    const char* codec;
    TurnAxis axis;
};

class SaveMovieKinds : public SaveMovieTest, public ::testing::WithParamInterface<KindCase> {};

// 151 x 120: the smaller side is even already; 151 wide would not do.
TEST_P(SaveMovieKinds, AFinishedMovieDecodesToEveryFrameAtThePictureSize) {
    RenderWindow* window = ShowBall(151, 120);
    ASSERT_NE(window, nullptr);
    const Orientation before = ProgramSession().orientation;
    choice = MovieChoice{12, GetParam().axis, 10,
                         dir.filePath(QString::fromLatin1(GetParam().name)).toStdString()};
    EXPECT_EQ(DispatchCommand(frame, kCmdSaveMovie), 1);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
    EXPECT_EQ(NamesIn(dir.path()), QStringList{QString::fromLatin1(GetParam().name)});

    const movie::test::DecodedMovie movie = movie::test::DecodeMovie(choice->path);
    ASSERT_EQ(movie.error, "");
    EXPECT_EQ(movie.codec, GetParam().codec);
    EXPECT_EQ(movie.width, 120);
    EXPECT_EQ(movie.height, 120);
    ASSERT_EQ(movie.frames.size(), 12u);
    // Frame 0 is Save Image's picture of the view shown.
    const QImage picture = window->picture().convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(picture.width(), 120);
    movie::Frame shown{120, 120, static_cast<int>(picture.bytesPerLine()), {}};
    shown.rgb.assign(picture.constBits(), picture.constBits() + picture.sizeInBytes());
    const double first = movie::test::MeanDifference(shown, movie.frames[0]);
    EXPECT_LT(first, 3.0);
    EXPECT_GT(movie::test::MeanDifference(shown, movie.frames[3]), first);
    // The view shown is where it was.
    EXPECT_EQ(ProgramSession().orientation.ViewPlane[0].x, before.ViewPlane[0].x);
    EXPECT_EQ(ProgramSession().orientation.ViewPlane[0].z, before.ViewPlane[0].z);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SaveMovieKinds,
                         ::testing::Values(KindCase{"ball.mp4", "h264", TurnAxis::Horizontal},
                                           KindCase{"ball.webm", "vp9", TurnAxis::Vertical},
                                           KindCase{"ball.gif", "gif", TurnAxis::Horizontal}),
                         [](const auto& row) {
                             const std::string name = row.param.name;
                             return name.substr(name.find('.') + 1);
                         });

// Composite's frames are in colour, as the render window shows them.
TEST_F(SaveMovieTest, ACompositeMovieHasTheColoursOfTheRender) {
    RenderWindow* window = ShowBall(120, 120);
    ASSERT_NE(window, nullptr);
    ProgramSession().settings.transferFunction = *PresetTransferFunction("pet-hot", 0.0, 255.0);
    SelectRenderType(RenderType::Composite, ViewPanelButtons::Follow);
    Paint(window);
    ASSERT_FALSE(ProgramSession().renderPending);
    const QImage picture = window->picture().convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(picture.width(), 120);
    movie::Frame shown{120, 120, static_cast<int>(picture.bytesPerLine()), {}};
    shown.rgb.assign(picture.constBits(), picture.constBits() + picture.sizeInBytes());
    // Not a grey picture, or the test would tell nothing.
    ASSERT_NE(picture.pixelColor(60, 60).red(), picture.pixelColor(60, 60).blue());

    choice = MovieChoice{4, TurnAxis::Horizontal, 10, dir.filePath("ball.mp4").toStdString()};
    DispatchCommand(frame, kCmdSaveMovie);
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
    const movie::test::DecodedMovie movie = movie::test::DecodeMovie(choice->path);
    ASSERT_EQ(movie.error, "");
    ASSERT_EQ(movie.frames.size(), 4u);
    EXPECT_LT(movie::test::MeanDifference(shown, movie.frames[0]), 3.0);
}

TEST_F(SaveMovieTest, CancelLeavesNoFileAndTheOldOneAsItWas) {
    ASSERT_NE(ShowBall(200, 200), nullptr);
    const QString target = dir.filePath(QStringLiteral("turn.mp4"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the old movie");
    }
    // Far more frames than come before the Cancel.
    choice = MovieChoice{3600, TurnAxis::Horizontal, 25, target.toStdString()};
    bool pressed = false;
    CancelAfterTheFirstFrame(pressed);
    DispatchCommand(frame, kCmdSaveMovie);
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(NamesIn(dir.path()), QStringList{QStringLiteral("turn.mp4")});
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("the old movie"));
}

struct RefusalCase {
    const char* label;
    const char* path;  // in the test's folder
    int fps;
    const char* reason;  // part of the message
};

class SaveMovieRefusal : public SaveMovieTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SaveMovieRefusal, IsAWarningThatNamesTheReasonAndLeavesNoFile) {
    ASSERT_NE(ShowBall(100, 100), nullptr);
    choice = MovieChoice{4, TurnAxis::Horizontal, GetParam().fps,
                         dir.filePath(QString::fromLatin1(GetParam().path)).toStdString()};
    DispatchCommand(frame, kCmdSaveMovie);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QString::fromLatin1(GetParam().reason)))
        << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].caption, QStringLiteral("Save Movie"));
    EXPECT_EQ(messages[0].icon, Icon::Warning);
    EXPECT_TRUE(NamesIn(dir.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, SaveMovieRefusal,
    ::testing::Values(RefusalCase{"MissingFolder", "gone/turn.mp4", 25,
                                  "No such file or directory"},
                      RefusalCase{"FastGif", "turn.gif", 60, "GIF movies play at 1 to 50"},
                      RefusalCase{"UnknownKind", "turn.avi", 25, "cannot tell what kind"},
                      RefusalCase{"FrameSeries", "turn_%03d.png", 25, "one PNG image a frame"}),
    [](const auto& row) { return std::string(row.param.label); });

TEST_F(SaveMovieTest, WithoutAnImageSaysSoAndAsksNothing) {
    DispatchCommand(frame, kCmdSaveMovie);
    EXPECT_TRUE(asked.empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, QStringLiteral("Save Movie"));
}

TEST_F(SaveMovieTest, ADialogLeftWithCancelWritesNothing) {
    ASSERT_NE(ShowBall(100, 100), nullptr);
    choice.reset();
    DispatchCommand(frame, kCmdSaveMovie);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(NamesIn(dir.path()).isEmpty());
}

// The dialog starts where the last Save Movie of the document left it (a
// refused movie counts, a dialog left with Cancel does not); a new document
// starts from the defaults.
TEST_F(SaveMovieTest, TheDialogStartsFromTheDocumentsLastChoice) {
    ASSERT_NE(ShowBall(100, 100), nullptr);
    const MovieChoice refused{4, TurnAxis::Vertical, 10,
                              dir.filePath(QStringLiteral("gone/turn.gif")).toStdString()};
    choice = refused;
    DispatchCommand(frame, kCmdSaveMovie);
    choice.reset();
    DispatchCommand(frame, kCmdSaveMovie);
    DispatchCommand(frame, kCmdSaveMovie);
    delete frame;
    frame = StartCalyra();
    ASSERT_NE(ShowBall(100, 100), nullptr);
    DispatchCommand(frame, kCmdSaveMovie);
    const std::vector<MovieChoice> expected{MovieChoice{}, refused, refused, MovieChoice{}};
    EXPECT_EQ(asked, expected);
}

}  // namespace
}  // namespace calyra::ui::testing
