// Movies of each kind decode again to the frames they were made of.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "movie/movie_encoder.h"
#include "tests/movie/movie_test_support.h"
#include "tests/temp_folder.h"

namespace calyra::movie {
namespace {

using test::DecodedMovie;
using test::DecodeMovie;
using test::MeanDifference;

struct KindCase {
    const char* extension;
    const char* codec;      // what the decoder says it decoded
    double meanDifference;  // at most, for any frame: the codecs are lossy
    int width;
    int height;
};

class RoundTrip : public ::testing::TestWithParam<KindCase> {
  protected:
    std::string Path(const std::string& stem) const {
        return dir_.File(stem + "." + GetParam().extension);
    }
    calyra::test::TempFolder dir_{"calyra_movie"};
};

bool Encode(const std::string& path, int width, int height, int fps, int frames,
            Frame (*make)(int, int, int, int), int stride, std::string& error) {
    std::unique_ptr<MovieEncoder> movie = MovieEncoder::Open(path, width, height, fps, error);
    if (!movie) return false;
    for (int k = 0; k < frames; ++k) {
        if (!movie->Add(make(width, height, k, stride))) {
            error = movie->Error();
            return false;
        }
    }
    if (!movie->Finish()) error = movie->Error();
    return error.empty();
}

TEST_P(RoundTrip, ThirtySixFramesComeBackInOrderAtTheirRate) {
    const KindCase& c = GetParam();
    for (const int fps : {25, 10}) {
        SCOPED_TRACE(fps);
        const std::string path = Path("turn" + std::to_string(fps));
        std::string error;
        ASSERT_TRUE(Encode(path, c.width, c.height, fps, 36, test::Waves, 0, error)) << error;
        const DecodedMovie movie = DecodeMovie(path);
        ASSERT_EQ(movie.error, "");
        EXPECT_EQ(movie.codec, c.codec);
        EXPECT_EQ(movie.width, c.width);
        EXPECT_EQ(movie.height, c.height);
        ASSERT_EQ(movie.frames.size(), 36u);
        for (int k = 0; k < 36; ++k) {
            SCOPED_TRACE(k);
            EXPECT_LE(MeanDifference(test::Waves(c.width, c.height, k), movie.frames[k]),
                      c.meanDifference);
            EXPECT_NEAR(movie.seconds[k], static_cast<double>(k) / fps, 1e-3);
        }
    }
}

TEST_P(RoundTrip, PureColoursKeepTheirHue) {
    const KindCase& c = GetParam();
    const std::string path = Path("colours");
    std::string error;
    auto movie = MovieEncoder::Open(path, c.width, c.height, 25, error);
    ASSERT_TRUE(movie) << error;
    const Frame quadrants = test::Quadrants(c.width, c.height);
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(movie->Add(quadrants)) << movie->Error();
    ASSERT_TRUE(movie->Finish()) << movie->Error();
    const DecodedMovie decoded = DecodeMovie(path);
    ASSERT_EQ(decoded.frames.size(), 3u) << decoded.error;
    // The middle of each quadrant, away from the blurred edges: a wrong colour
    // matrix or range would be off by tens of levels here.
    for (const auto& [qx, qy] : {std::pair{1, 1}, {3, 1}, {1, 3}, {3, 3}}) {
        const int x = c.width * qx / 4, y = c.height * qy / 4;
        for (int channel = 0; channel < 3; ++channel) {
            const std::size_t at = (static_cast<std::size_t>(y) * c.width + x) * 3 + channel;
            EXPECT_NEAR(decoded.frames[0][at], quadrants.rgb[at], 6)
                << "at " << x << ", " << y << " channel " << channel;
        }
    }
}

// Padded rows are read as the rows they hold, and the same frames make the same file.
TEST_P(RoundTrip, RowStridesAreHonouredAndTheBytesRepeat) {
    const KindCase& c = GetParam();
    std::string error;
    ASSERT_TRUE(Encode(Path("tight"), c.width, c.height, 25, 5, test::Waves, 0, error)) << error;
    ASSERT_TRUE(Encode(Path("again"), c.width, c.height, 25, 5, test::Waves, 0, error)) << error;
    ASSERT_TRUE(
        Encode(Path("padded"), c.width, c.height, 25, 5, test::Waves, c.width * 3 + 13, error))
        << error;
    const std::string tight = test::ReadAll(Path("tight"));
    EXPECT_FALSE(tight.empty());
    EXPECT_EQ(test::ReadAll(Path("again")), tight);
    EXPECT_EQ(test::ReadAll(Path("padded")), tight);
}

TEST_P(RoundTrip, AFrameOfAnotherSizeEndsTheMovieAndLeavesNothing) {
    const KindCase& c = GetParam();
    std::string error;
    auto movie = MovieEncoder::Open(Path("sizes"), c.width, c.height, 25, error);
    ASSERT_TRUE(movie) << error;
    ASSERT_TRUE(movie->Add(test::Waves(c.width, c.height, 0)));
    EXPECT_FALSE(movie->Add(test::Waves(c.width + 2, c.height, 1)));
    EXPECT_NE(movie->Error().find(std::to_string(c.width + 2) + " x " + std::to_string(c.height)),
              std::string::npos)
        << movie->Error();
    EXPECT_TRUE(test::NamesIn(dir_.path()).empty());
    // Every call after it fails the same way.
    const std::string first = movie->Error();
    EXPECT_FALSE(movie->Add(test::Waves(c.width, c.height, 2)));
    EXPECT_FALSE(movie->Finish());
    EXPECT_EQ(movie->Error(), first);
    EXPECT_TRUE(test::NamesIn(dir_.path()).empty());
}

TEST_P(RoundTrip, FrameRatesOutsideTheRangeAreRefused) {
    const KindCase& c = GetParam();
    const int highest = std::string(c.extension) == "gif" ? kMaxGifFps : kMaxFps;
    for (const int fps : {0, -1, highest + 1}) {
        SCOPED_TRACE(fps);
        std::string error;
        EXPECT_FALSE(MovieEncoder::Open(Path("rate"), c.width, c.height, fps, error));
        EXPECT_NE(error.find(std::to_string(fps)), std::string::npos) << error;
    }
    std::string error;
    EXPECT_TRUE(MovieEncoder::Open(Path("rate"), c.width, c.height, highest, error)) << error;
    EXPECT_TRUE(test::NamesIn(dir_.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, RoundTrip,
                         ::testing::Values(KindCase{"mp4", "h264", 6.0, 64, 48},
                                           KindCase{"webm", "vp9", 6.0, 64, 48},
                                           // GIF takes any size.
                                           KindCase{"gif", "gif", 8.0, 63, 47}),
                         [](const auto& kind) { return std::string(kind.param.extension); });

// 200 greys in soft ramps, moving with k, as a grey rendering has: the
// palette filters' dithering would move most of them.
Frame GreyRamps(int side, int k) {
    Frame frame{side, side, 0,
                std::vector<std::uint8_t>(static_cast<std::size_t>(side) * side * 3)};
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const auto grey = static_cast<std::uint8_t>(20 + (x * 3 + y + 7 * k) % 200);
            std::fill_n(&frame.rgb[(static_cast<std::size_t>(y) * side + x) * 3], 3, grey);
        }
    }
    return frame;
}

DecodedMovie EncodeGif(const std::string& path, const std::vector<Frame>& frames) {
    DecodedMovie failed;
    auto movie = MovieEncoder::Open(path, frames[0].width, frames[0].height, 10, failed.error);
    if (!movie) return failed;
    for (const Frame& frame : frames) {
        if (movie->Add(frame)) continue;
        failed.error = movie->Error();
        break;
    }
    if (failed.error.empty() && !movie->Finish()) failed.error = movie->Error();
    return failed.error.empty() ? DecodeMovie(path) : failed;
}

constexpr int kGifSide = 64;

// A GIF whose frames have 256 colours or fewer (every grey rendering) gives
// each frame back exactly.
TEST(GifMovie, FramesOfFewColoursComeBackExactly) {
    const calyra::test::TempFolder dir("calyra_gif");
    std::vector<Frame> frames;
    for (int k = 0; k < 6; ++k) frames.push_back(GreyRamps(kGifSide, k));
    const DecodedMovie decoded = EncodeGif(dir.File("grey.gif"), frames);
    ASSERT_EQ(decoded.error, "");
    ASSERT_EQ(decoded.frames.size(), frames.size());
    for (std::size_t k = 0; k < frames.size(); ++k) {
        EXPECT_EQ(decoded.frames[k], frames[k].rgb) << "frame " << k;
    }
}

// Frames of more colours go through the palette filters, and those after
// them follow them there (the filters hold a frame back): none leaves its
// place, and what comes before the first of them stays exact.
TEST(GifMovie, FramesOfManyColoursAmongFewStayInOrder) {
    const calyra::test::TempFolder dir("calyra_gif");
    // Waves 0 and 5 differ most: half a period apart.
    const std::vector<Frame> frames{GreyRamps(kGifSide, 0), test::Waves(kGifSide, kGifSide, 0),
                                    GreyRamps(kGifSide, 1), test::Waves(kGifSide, kGifSide, 5),
                                    GreyRamps(kGifSide, 2)};
    const DecodedMovie decoded = EncodeGif(dir.File("mixed.gif"), frames);
    ASSERT_EQ(decoded.error, "");
    ASSERT_EQ(decoded.frames.size(), frames.size());
    EXPECT_EQ(decoded.frames[0], frames[0].rgb);
    for (std::size_t k = 0; k < frames.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_LT(MeanDifference(frames[k], decoded.frames[k]), 8.0);
        EXPECT_NEAR(decoded.seconds[k], static_cast<double>(k) / 10, 1e-3);
        // Nearer its own frame than the next one of the other kind.
        const std::size_t other = (k + 1) % frames.size();
        EXPECT_LT(MeanDifference(frames[k], decoded.frames[k]),
                  MeanDifference(frames[other], decoded.frames[k]));
    }
}

TEST(MovieEncoder, OddSizesAndOtherNamesAreRefusedBeforeAnythingIsWritten) {
    calyra::test::TempFolder dir("calyra_movie");
    struct Case {
        const char* name;
        int width;
        int height;
        const char* reasonHolds;
    };
    const Case cases[] = {
        {"odd.mp4", 65, 48, "even"},        {"odd.webm", 64, 47, "even"},
        {"turn.avi", 64, 48, ".mp4"},       {"turn_%03d.png", 64, 48, "frame series"},
        {"empty.gif", 0, 48, "1 to 16384"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(MovieEncoder::Open(dir.File(c.name), c.width, c.height, 25, error));
        EXPECT_NE(error.find(c.reasonHolds), std::string::npos) << error;
    }
    EXPECT_TRUE(test::NamesIn(dir.path()).empty());
}

}  // namespace
}  // namespace calyra::movie
