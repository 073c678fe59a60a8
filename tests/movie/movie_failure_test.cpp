// A movie that cannot be written says why and leaves the folder as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "movie/movie_encoder.h"
#include "tests/full_disk.h"
#include "tests/movie/movie_test_support.h"
#include "tests/temp_folder.h"

namespace calyra::movie {
namespace {

namespace fs = std::filesystem;

const char* const kExtensions[] = {"mp4", "webm", "gif"};

// Opens, adds frames made by make and finishes; the first error, or "".
std::string WriteMovie(const std::string& path, int size, int frames,
                       Frame (*make)(int, int, int)) {
    std::string error;
    auto movie = MovieEncoder::Open(path, size, size, 25, error);
    if (!movie) return error;
    for (int k = 0; k < frames; ++k) {
        if (!movie->Add(make(size, size, k))) return movie->Error();
    }
    return movie->Finish() ? "" : movie->Error();
}

Frame Waves(int width, int height, int k) {
    return test::Waves(width, height, k);
}

TEST(MovieFailure, FoldersThatCannotHoldTheFileAreNamedInTheReason) {
    calyra::test::TempFolder dir("calyra_movie");
    test::WriteAll(dir / "plain", "I am a file");
    for (const char* ext : kExtensions) {
        struct Case {
            std::string path;
            const char* reason;
        };
        const Case cases[] = {
            {dir.File(std::string("no/such/folder/turn.") + ext), "No such file or directory"},
            {dir.File(std::string("plain/turn.") + ext), "Not a directory"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.path);
            const std::string error = WriteMovie(c.path, 64, 3, Waves);
            EXPECT_EQ(error, "Cannot write " + c.path + ": " + c.reason);
        }
    }
    EXPECT_EQ(test::ReadAll(dir / "plain"), "I am a file");
    EXPECT_EQ(test::NamesIn(dir.path()), std::vector<std::string>{"plain"});
}

TEST(MovieFailure, AnUnfinishedMovieLeavesTheOldFileAsItWas) {
    calyra::test::TempFolder dir("calyra_movie");
    for (const char* ext : kExtensions) {
        SCOPED_TRACE(ext);
        const std::string name = std::string("turn.") + ext;
        test::WriteAll(dir / name, "the old movie");
        {
            std::string error;
            auto movie = MovieEncoder::Open(dir.File(name), 64, 64, 25, error);
            ASSERT_TRUE(movie) << error;
            for (int k = 0; k < 4; ++k) ASSERT_TRUE(movie->Add(test::Waves(64, 64, k)));
            // Cancelled by hand for one kind, by going out of scope for the others.
            if (std::string(ext) == "mp4") {
                movie->Cancel();
                EXPECT_FALSE(movie->Add(test::Waves(64, 64, 5)));
                EXPECT_FALSE(movie->Finish());
            }
        }
        EXPECT_EQ(test::ReadAll(dir / name), "the old movie");
        fs::remove(dir / name);
        EXPECT_TRUE(test::NamesIn(dir.path()).empty());
    }
}

TEST(MovieFailure, AFinishedMovieReplacesTheOldFile) {
    calyra::test::TempFolder dir("calyra_movie");
    test::WriteAll(dir / "turn.gif", "the old movie");
    EXPECT_EQ(WriteMovie(dir.File("turn.gif"), 32, 3, Waves), "");
    EXPECT_EQ(test::DecodeMovie(dir.File("turn.gif")).frames.size(), 3u);
    EXPECT_EQ(test::NamesIn(dir.path()), std::vector<std::string>{"turn.gif"});
}

class MovieOnAFullDisk : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        if (!dir_.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here (it needs root)";
    }
    calyra::test::FullDisk dir_{"calyra_movie_full"};
};

TEST_P(MovieOnAFullDisk, AMovieThatDoesNotFitKeepsTheOldFile) {
    const std::string name = std::string("turn.") + GetParam();
    const std::string old(20000, 'o');
    test::WriteAll(dir_ / name, old);
    // Noise does not compress: a few frames are far more than the disk holds.
    const std::string error = WriteMovie(dir_.File(name), 128, 8, test::Noise);
    EXPECT_EQ(error, "Cannot write " + dir_.File(name) + ": No space left on device");
    EXPECT_EQ(test::ReadAll(dir_ / name), old);
    EXPECT_EQ(test::NamesIn(dir_.path()), std::vector<std::string>{name});
}

TEST_P(MovieOnAFullDisk, AMovieThatFitsIsWritten) {
    const std::string name = std::string("small.") + GetParam();
    EXPECT_EQ(WriteMovie(dir_.File(name), 32, 2, Waves), "");
    EXPECT_EQ(test::DecodeMovie(dir_.File(name)).frames.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, MovieOnAFullDisk, ::testing::ValuesIn(kExtensions),
                         [](const auto& kind) { return std::string(kind.param); });

}  // namespace
}  // namespace calyra::movie
