// The encoder on its own thread makes what the encoder makes directly, and
// fails and stops as cleanly.
#include "movie/encoder_pipeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/movie/movie_test_support.h"
#include "tests/temp_folder.h"

namespace calyra::movie {
namespace {

class Pipeline : public ::testing::TestWithParam<const char*> {
  protected:
    std::string Path(const std::string& stem) const { return dir_.File(stem + "." + GetParam()); }
    calyra::test::TempFolder dir_{"calyra_pipeline"};
};

TEST_P(Pipeline, MakesTheSameMovieAsTheEncoderDirectly) {
    constexpr int kFrames = 36;
    std::string error;
    auto direct = MovieEncoder::Open(Path("direct"), 64, 48, 25, error);
    ASSERT_TRUE(direct) << error;
    auto pipeline = EncoderPipeline::Open(Path("piped"), 64, 48, 25, error);
    ASSERT_TRUE(pipeline) << error;
    for (int k = 0; k < kFrames; ++k) {
        ASSERT_TRUE(direct->Add(test::Waves(64, 48, k))) << direct->Error();
        ASSERT_TRUE(pipeline->Submit(test::Waves(64, 48, k))) << pipeline->Error();
    }
    ASSERT_TRUE(direct->Finish()) << direct->Error();
    ASSERT_TRUE(pipeline->Finish()) << pipeline->Error();
    EXPECT_EQ(pipeline->Error(), "");

    const test::DecodedMovie a = test::DecodeMovie(Path("direct"));
    const test::DecodedMovie b = test::DecodeMovie(Path("piped"));
    ASSERT_EQ(b.error, "");
    EXPECT_EQ(b.frames.size(), static_cast<std::size_t>(kFrames));
    EXPECT_EQ(b.width, a.width);
    EXPECT_EQ(b.height, a.height);
    EXPECT_EQ(b.frames, a.frames);
    EXPECT_EQ(test::ReadAll(Path("piped")), test::ReadAll(Path("direct")));
    // Done is done.
    EXPECT_FALSE(pipeline->Submit(test::Waves(64, 48, 0)));
    EXPECT_TRUE(pipeline->Finish());
}

TEST_P(Pipeline, CancelledHalfWayLeavesNothing) {
    test::WriteAll(Path("turn"), "the old movie");
    std::string error;
    auto pipeline = EncoderPipeline::Open(Path("turn"), 64, 48, 25, error);
    ASSERT_TRUE(pipeline) << error;
    for (int k = 0; k < 10; ++k) ASSERT_TRUE(pipeline->Submit(test::Waves(64, 48, k)));
    pipeline->Cancel();
    EXPECT_FALSE(pipeline->Submit(test::Waves(64, 48, 10)));
    EXPECT_FALSE(pipeline->Finish());
    EXPECT_NE(pipeline->Error().find("cancelled"), std::string::npos) << pipeline->Error();
    EXPECT_EQ(test::ReadAll(Path("turn")), "the old movie");
    EXPECT_EQ(test::NamesIn(dir_.path()),
              std::vector<std::string>{std::string("turn.") + GetParam()});
}

TEST_P(Pipeline, DroppedUnfinishedLeavesNothing) {
    {
        std::string error;
        auto pipeline = EncoderPipeline::Open(Path("turn"), 64, 48, 25, error);
        ASSERT_TRUE(pipeline) << error;
        for (int k = 0; k < 5; ++k) ASSERT_TRUE(pipeline->Submit(test::Waves(64, 48, k)));
    }
    EXPECT_TRUE(test::NamesIn(dir_.path()).empty());
}

// The bad frame is taken, and refused on the encoder's thread; the movie
// ends there, and Finish (or a Submit before it) says why.
TEST_P(Pipeline, AFailureOnTheEncodersThreadIsToldByFinish) {
    std::string error;
    auto pipeline = EncoderPipeline::Open(Path("turn"), 64, 48, 25, error);
    ASSERT_TRUE(pipeline) << error;
    ASSERT_TRUE(pipeline->Submit(test::Waves(64, 48, 0)));
    ASSERT_TRUE(pipeline->Submit(test::Waves(32, 48, 1)));
    for (int k = 2; k < 20 && pipeline->Submit(test::Waves(64, 48, k)); ++k) {
    }
    EXPECT_FALSE(pipeline->Finish());
    EXPECT_NE(pipeline->Error().find("Cannot write " + Path("turn") + ": a frame of 32 x 48"),
              std::string::npos)
        << pipeline->Error();
    EXPECT_FALSE(pipeline->Submit(test::Waves(64, 48, 30)));
    EXPECT_TRUE(test::NamesIn(dir_.path()).empty());
}

TEST(EncoderPipeline, RefusesWhatTheEncoderRefuses) {
    calyra::test::TempFolder dir("calyra_pipeline");
    std::string error;
    EXPECT_FALSE(EncoderPipeline::Open(dir.File("odd.mp4"), 63, 48, 25, error));
    EXPECT_NE(error.find("even"), std::string::npos) << error;
    EXPECT_FALSE(EncoderPipeline::Open(dir.File("no/folder.webm"), 64, 48, 25, error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_TRUE(test::NamesIn(dir.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, Pipeline, ::testing::Values("mp4", "webm", "gif"),
                         [](const auto& kind) { return std::string(kind.param); });

}  // namespace
}  // namespace calyra::movie
