#include "movie/movie_kind.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace calyra::movie {
namespace {

struct NameCase {
    const char* path;
    std::optional<MovieKind> kind;
    const char* reasonHolds;  // for refused names: what the reason must say
};

TEST(MovieKind, NamesTellTheKindOrWhyNot) {
    const NameCase cases[] = {
        {"turn.mp4", MovieKind::Mp4, ""},
        {"out/Turn.MP4", MovieKind::Mp4, ""},
        {"turn.webm", MovieKind::WebM, ""},
        {"/tmp/a.b/turn.gif", MovieKind::Gif, ""},
        {"turn_%d.png", MovieKind::FrameSeries, ""},
        {"turn_%03d.png", MovieKind::FrameSeries, ""},
        {"frames/%012d", MovieKind::FrameSeries, ""},
        // A % in a folder's name is part of the name, not a frame number.
        {"100%/turn.mp4", MovieKind::Mp4, ""},
        {"turn.avi", std::nullopt, ".mp4"},
        {"turn", std::nullopt, ".webm"},
        {"turn.mp4/", std::nullopt, ".gif"},
        {"", std::nullopt, "%0Nd"},
        {"mp4", std::nullopt, ".mp4"},
        {"turn_%d_%d.png", std::nullopt, "2 frame numbers"},
        {"turn_%s.png", std::nullopt, "%s"},
        {"turn_%3d.png", std::nullopt, "%3d"},
        {"turn_%0d.png", std::nullopt, "%0d"},
        {"turn_%00d.png", std::nullopt, "%00d"},
        {"turn_%017d.png", std::nullopt, "%017d"},
        {"turn_%%_%d.png", std::nullopt, "%%"},
        {"turn_%", std::nullopt, "holds %"},
        {"turn_%x.png", std::nullopt, "%x"},
        // The frames are PNG images whatever the name ends in.
        {"turn_%03d.gif", std::nullopt, "PNG"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.path);
        std::string reason = "stale";
        const std::optional<MovieKind> kind = MovieKindOf(c.path, reason);
        EXPECT_EQ(kind, c.kind);
        if (c.kind) {
            EXPECT_EQ(reason, "");
        } else {
            EXPECT_NE(reason.find(c.reasonHolds), std::string::npos) << reason;
            // Every refusal names the file and the kinds that are taken.
            EXPECT_NE(reason.find(std::string(c.path) + ":"), std::string::npos) << reason;
            for (const char* accepted : {".mp4", ".webm", ".gif", "%d", "%0Nd"})
                EXPECT_NE(reason.find(accepted), std::string::npos) << reason;
        }
    }
}

TEST(MovieKind, FrameNamesPutTheNumberInPlace) {
    struct Case {
        const char* pattern;
        int k;
        const char* name;
    };
    const Case cases[] = {
        {"turn_%03d.png", 7, "turn_007.png"},
        {"turn_%03d.png", 0, "turn_000.png"},
        {"turn_%03d.png", 1234, "turn_1234.png"},
        {"turn_%d.png", 35, "turn_35.png"},
        {"%d", 0, "0"},
        {"a%/b_%05d_end", 42, "a%/b_00042_end"},
        {"x_%016d", 2147483647, "x_0000002147483647"},
        // Not frame series names: nothing.
        {"turn.png", 1, ""},
        {"turn_%d_%d.png", 1, ""},
        {"turn_%s.png", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(FrameFileName(c.pattern, c.k), c.name);
    }
}

TEST(MovieKind, SizesTheEncodersCannotTakeAreRefused) {
    struct Case {
        MovieKind kind;
        int width;
        int height;
        const char* reasonHolds;  // "" when the size is taken
    };
    const Case cases[] = {
        {MovieKind::Mp4, 512, 512, ""},
        {MovieKind::Mp4, 513, 512, "even"},
        {MovieKind::Mp4, 512, 511, "even"},
        {MovieKind::WebM, 64, 48, ""},
        {MovieKind::WebM, 63, 48, "even"},
        {MovieKind::Gif, 63, 47, ""},
        {MovieKind::FrameSeries, 1, 1, ""},
        {MovieKind::Gif, 0, 10, "1 to 16384"},
        {MovieKind::Mp4, 10, -2, "1 to 16384"},
        {MovieKind::FrameSeries, 0, 0, "1 to 16384"},
        {MovieKind::WebM, 16386, 16, "1 to 16384"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(KindName(c.kind)) + " " + std::to_string(c.width) + " x " +
                     std::to_string(c.height));
        const std::string reason = CheckMovie(c.kind, c.width, c.height);
        if (*c.reasonHolds == '\0') {
            EXPECT_EQ(reason, "");
        } else {
            EXPECT_NE(reason.find(c.reasonHolds), std::string::npos) << reason;
            EXPECT_NE(reason.find(std::to_string(c.width) + " x " + std::to_string(c.height)),
                      std::string::npos)
                << reason;
        }
    }
}

}  // namespace
}  // namespace calyra::movie
