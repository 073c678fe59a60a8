// calyra-render --turntable end to end: the movies decode to the frames
// asked for, a frame series renders again frame by frame from its pictures,
// and a movie that cannot be written leaves nothing behind.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

#include "movie/movie_kind.h"
#include "tests/full_disk.h"
#include "tests/movie/movie_test_support.h"
#include "tests/run_render.h"
#include "tests/temp_folder.h"

namespace calyra::movie::test {
namespace {

namespace fs = std::filesystem;
using calyra::test::RunRender;
using calyra::test::RunResult;

constexpr char kHead[] = "--model head --type transparent --threshold 0.3";
constexpr int kFrames = 36;
constexpr int kSide = 96;

// Run where the head data set lies; every output path is absolute.
RunResult RunHead(const std::string& args) {
    return RunRender(std::string(kHead) + " " + args, fs::path(CALYRA_HEAD_FILE).parent_path());
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// A picture's pixels as RGB rows of width * 3 bytes; empty when unreadable.
std::vector<std::uint8_t> PictureRgb(const fs::path& path, int& width) {
    const QImage image =
        QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB888);
    width = image.width();
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t* row = image.constScanLine(y);
        rgb.insert(rgb.end(), row, row + 3 * image.width());
    }
    return rgb;
}

Frame PictureFrame(const fs::path& path) {
    Frame frame;
    frame.rgb = PictureRgb(path, frame.width);
    frame.height = frame.width > 0 ? static_cast<int>(frame.rgb.size()) / (3 * frame.width) : 0;
    return frame;
}

// One frame series of the head, written once for every test that reads it.
class HeadSeries : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new calyra::test::TempFolder("calyra_turn_series");
        const RunResult run =
            RunHead("--turntable " + std::to_string(kFrames) + " --size " + std::to_string(kSide) +
                    " --out " + Quoted(folder_->path() / "turn_%03d.png"));
        status_ = run.status;
        said_ = new std::string(run.out);
    }
    static void TearDownTestSuite() {
        delete folder_;
        delete said_;
    }
    void SetUp() override { ASSERT_EQ(status_, 0) << *said_; }
    static fs::path FramePath(int k) {
        char name[32];
        std::snprintf(name, sizeof name, "turn_%03d.png", k);
        return folder_->path() / name;
    }

    static calyra::test::TempFolder* folder_;
    static int status_;
    static std::string* said_;
};
calyra::test::TempFolder* HeadSeries::folder_ = nullptr;
int HeadSeries::status_ = -1;
std::string* HeadSeries::said_ = nullptr;

TEST_F(HeadSeries, HoldsEveryFrameNumberedFromZeroAndNothingElse) {
    std::vector<std::string> expected;
    for (int k = 0; k < kFrames; ++k) expected.push_back(FramePath(k).filename().string());
    EXPECT_EQ(NamesIn(folder_->path()), expected);
    int width = 0;
    EXPECT_EQ(PictureRgb(FramePath(kFrames - 1), width).size(), 3u * kSide * kSide);
    EXPECT_EQ(width, kSide);
}

TEST_F(HeadSeries, FrameZeroIsThePlainRender) {
    const calyra::test::TempFolder out("calyra_turn_plain");
    const RunResult plain =
        RunHead("--size " + std::to_string(kSide) + " --out " + Quoted(out / "plain.png"));
    ASSERT_EQ(plain.status, 0) << plain.out;
    int a = 0, b = 0;
    EXPECT_EQ(PictureRgb(out / "plain.png", a), PictureRgb(FramePath(0), b));
}

TEST_F(HeadSeries, EveryFrameRendersAgainFromItsOwnPicture) {
    const calyra::test::TempFolder out("calyra_turn_again");
    for (int k = 0; k < kFrames; ++k) {
        const fs::path again = out / ("again_" + std::to_string(k) + ".png");
        const RunResult run = RunRender("--view " + Quoted(FramePath(k)) + " --size " +
                                            std::to_string(kSide) + " --out " + Quoted(again),
                                        fs::path(CALYRA_HEAD_FILE).parent_path());
        ASSERT_EQ(run.status, 0) << run.out;
        int a = 0, b = 0;
        const std::vector<std::uint8_t> frame = PictureRgb(FramePath(k), a);
        ASSERT_FALSE(frame.empty());
        EXPECT_EQ(PictureRgb(again, b), frame) << "frame " << k;
    }
}

struct MovieCase {
    const char* name;
    const char* codec;
    double closeEnough;  // mean difference of a decoded frame from its picture
    bool exact;          // a grey picture's frames come back exactly
};

class TurntableMovie : public HeadSeries, public ::testing::WithParamInterface<MovieCase> {};

// Each decoded frame is nearer its own picture than the frames a quarter
// turn either way: the frames are there, in order, and none is lost.
TEST_P(TurntableMovie, DecodesToTheFramesOfTheSeriesInOrder) {
    const MovieCase& c = GetParam();
    const calyra::test::TempFolder out("calyra_turn_movie");
    const fs::path movie = out / c.name;
    const RunResult run = RunHead("--turntable " + std::to_string(kFrames) + " --size " +
                                  std::to_string(kSide) + " --fps 10 --out " + Quoted(movie));
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(NamesIn(out.path()), std::vector<std::string>{c.name});
    const DecodedMovie decoded = DecodeMovie(movie.string());
    ASSERT_EQ(decoded.error, "");
    EXPECT_EQ(decoded.codec, c.codec);
    EXPECT_EQ(decoded.width, kSide);
    EXPECT_EQ(decoded.height, kSide);
    ASSERT_EQ(decoded.frames.size(), static_cast<std::size_t>(kFrames));
    for (int k = 0; k < kFrames; ++k) {
        const Frame picture = PictureFrame(FramePath(k));
        if (c.exact) {
            EXPECT_EQ(decoded.frames[k], picture.rgb) << "frame " << k;
        }
        const double own = MeanDifference(picture, decoded.frames[k]);
        EXPECT_LT(own, c.closeEnough) << "frame " << k;
        const int other = (k + kFrames / 4) % kFrames;
        EXPECT_LT(own, MeanDifference(PictureFrame(FramePath(other)), decoded.frames[k]))
            << "frame " << k;
    }
    EXPECT_NEAR(decoded.seconds.back(), (kFrames - 1) / 10.0, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TurntableMovie,
                         ::testing::Values(MovieCase{"head.mp4", "h264", 2.0, false},
                                           MovieCase{"head.webm", "vp9", 4.0, false},
                                           MovieCase{"head.gif", "gif", 3.0, true}),
                         [](const auto& row) {
                             std::string name = row.param.name;
                             return name.substr(name.find('.') + 1);
                         });

TEST(Turntable, AVerticalTurnIsAnotherTurnFromTheSameStart) {
    const calyra::test::TempFolder out("calyra_turn_axis");
    for (const char* axis : {"horizontal", "vertical"}) {
        const RunResult run =
            RunHead(std::string("--turntable 4 --turn-axis ") + axis + " --size 64 --out " +
                    Quoted(out / (axis + std::string("_%d.png"))));
        ASSERT_EQ(run.status, 0) << run.out;
    }
    int w = 0;
    const auto frame = [&](const char* axis, int k) {
        return PictureRgb(out / (axis + ("_" + std::to_string(k)) + ".png"), w);
    };
    EXPECT_EQ(frame("horizontal", 0), frame("vertical", 0));
    EXPECT_NE(frame("horizontal", 1), frame("vertical", 1));
    EXPECT_NE(frame("horizontal", 1), frame("horizontal", 0));
    EXPECT_NE(frame("vertical", 1), frame("vertical", 0));
}

// A cut volume turns cut: every frame is the cut render of its view, which
// its picture carries with the cut, and the cut shows.
class CutTurntable : public ::testing::TestWithParam<const char*> {};

TEST_P(CutTurntable, EveryFrameIsTheCutRenderOfItsView) {
    const calyra::test::TempFolder out("calyra_turn_cut");
    const std::string cut = GetParam();
    const RunResult run = RunHead(cut + " --turntable 4 --turn-axis vertical --size 64 --out " +
                                  Quoted(out / "cut_%d.png"));
    ASSERT_EQ(run.status, 0) << run.out;
    ASSERT_EQ(RunHead(cut + " --size 64 --out " + Quoted(out / "plain.png")).status, 0);
    ASSERT_EQ(RunHead("--size 64 --out " + Quoted(out / "uncut.png")).status, 0);
    int w = 0;
    const auto picture = [&](const std::string& name) { return PictureRgb(out / name, w); };
    EXPECT_EQ(picture("cut_0.png"), picture("plain.png"));
    EXPECT_NE(picture("cut_0.png"), picture("uncut.png"));
    for (int k = 0; k < 4; ++k) {
        const std::string frame = "cut_" + std::to_string(k) + ".png";
        const std::string again = "again_" + std::to_string(k) + ".png";
        const RunResult rerun =
            RunRender("--view " + Quoted(out / frame) + " --size 64 --out " + Quoted(out / again),
                      fs::path(CALYRA_HEAD_FILE).parent_path());
        ASSERT_EQ(rerun.status, 0) << rerun.out;
        EXPECT_EQ(picture(again), picture(frame)) << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(Cuts, CutTurntable,
                         ::testing::Values("--crop 20 100 10 120 30 90", "--clip 64 64 64 1 0.5 0"),
                         [](const auto& row) { return std::string(row.param).substr(2, 4); });

// Run with the frames at 512 pixels, more than the small disk holds.
RunResult RunBigTurn(const fs::path& out) {
    return RunHead("--turntable 36 --size 512 --out " + Quoted(out));
}

class TurntableFailure : public ::testing::TestWithParam<const char*> {};

TEST_P(TurntableFailure, IntoAMissingFolderFailsAndLeavesNothing) {
    const calyra::test::TempFolder dir("calyra_turn_missing");
    const RunResult run = RunBigTurn(dir / "gone" / GetParam());
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_NE(run.out.find("Cannot write"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("No such file or directory"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_P(TurntableFailure, OntoAFullDiskFailsAndLeavesTheOldFileAsItWas) {
    const calyra::test::FullDisk disk("calyra_turn_full");
    if (!disk.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here (it needs root)";
    // A series' first frame has an old file of its name too, written over
    // before the disk fills.
    const std::string pattern = GetParam();
    const bool series = pattern.find('%') != std::string::npos;
    const std::string old = series ? FrameFileName(pattern, 0) : pattern;
    WriteAll(disk / old, "the old file");
    const RunResult run = RunBigTurn(disk / pattern);
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_NE(run.out.find("No space left on device"), std::string::npos) << run.out;
    EXPECT_EQ(NamesIn(disk.path()), std::vector<std::string>{old});
    EXPECT_EQ(ReadAll(disk / old), "the old file");
}

INSTANTIATE_TEST_SUITE_P(Kinds, TurntableFailure,
                         ::testing::Values("turn.mp4", "turn.webm", "turn.gif", "turn_%02d.png"),
                         [](const auto& row) {
                             const std::string name = row.param;
                             return name.find('%') != std::string::npos
                                        ? std::string("series")
                                        : name.substr(name.find('.') + 1);
                         });

}  // namespace
}  // namespace calyra::movie::test
