// The movie tests' main: the FFmpeg libraries' progress lines would bury
// gtest's own output.
#include <gtest/gtest.h>

#include "movie/movie_encoder.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    calyra::movie::QuietLibraryLog();
    return RUN_ALL_TESTS();
}
