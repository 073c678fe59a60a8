#include "movie/movie_kind.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace calyra::movie {
namespace {

constexpr char kAccepted[] =
    "name it .mp4 (H.264), .webm (VP9) or .gif, or name a PNG frame series with "
    "exactly one %d or %0Nd in it (turn_%03d.png)";
// Wider than any int needs; a wider field only makes longer names.
constexpr int kMaxWidth = 16;

// Where a frame series name puts the frame number: the conversion's place
// in the name and its zero-padded width (0: as many digits as it takes).
struct Conversion {
    std::size_t begin = 0;
    std::size_t end = 0;
    int width = 0;
};

std::size_t NameStart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// The conversions of the file name (the folders may hold any %), or the
// first % that is not %d or %0Nd, quoted in bad.
std::vector<Conversion> ConversionsOf(const std::string& path, std::string& bad) {
    std::vector<Conversion> found;
    for (std::size_t at = NameStart(path); at < path.size(); ++at) {
        if (path[at] != '%') continue;
        std::size_t next = at + 1;
        int width = 0;
        bool padded = next < path.size() && path[next] == '0';
        if (padded) {
            ++next;
            while (next < path.size() && std::isdigit(static_cast<unsigned char>(path[next])) &&
                   width <= kMaxWidth) {
                width = width * 10 + (path[next] - '0');
                ++next;
            }
        }
        const bool ok = next < path.size() && path[next] == 'd' &&
                        (!padded || (width >= 1 && width <= kMaxWidth));
        if (!ok) {
            std::size_t stop = at + 1;
            while (stop < path.size() && !std::isalpha(static_cast<unsigned char>(path[stop])) &&
                   path[stop] != '%' && stop - at < 8)
                ++stop;
            bad = path.substr(at, std::min(stop + 1, path.size()) - at);
            return {};
        }
        found.push_back({at, next + 1, width});
        at = next;
    }
    return found;
}

std::string LowerExtension(const std::string& path) {
    const std::size_t start = NameStart(path);
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < start) return "";
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::optional<MovieKind> KindOfExtension(const std::string& ext) {
    if (ext == ".mp4") return MovieKind::Mp4;
    if (ext == ".webm") return MovieKind::WebM;
    if (ext == ".gif") return MovieKind::Gif;
    return std::nullopt;
}

}  // namespace

std::optional<MovieKind> MovieKindOf(const std::string& path, std::string& reason) {
    reason.clear();
    std::string bad;
    const std::vector<Conversion> conversions = ConversionsOf(path, bad);
    const std::optional<MovieKind> byExtension = KindOfExtension(LowerExtension(path));
    if (!bad.empty()) {
        reason = "Cannot write " + path + ": it holds " + bad + "; " + kAccepted + ".";
        return std::nullopt;
    }
    if (conversions.size() > 1) {
        reason = "Cannot write " + path + ": it holds " + std::to_string(conversions.size()) +
                 " frame numbers; " + kAccepted + ".";
        return std::nullopt;
    }
    if (conversions.size() == 1) {
        // The frames are PNG images whatever the name says; a movie's
        // extension on them is surely a slip.
        if (byExtension) {
            reason = "Cannot write " + path + ": a frame series is written as PNG images, not " +
                     KindName(*byExtension) + "; " + kAccepted + ".";
            return std::nullopt;
        }
        return MovieKind::FrameSeries;
    }
    if (byExtension) return byExtension;
    reason = "Cannot write " + path + ": cannot tell what kind of file it is; " + kAccepted + ".";
    return std::nullopt;
}

std::string FrameFileName(const std::string& pattern, int k) {
    std::string bad;
    const std::vector<Conversion> conversions = ConversionsOf(pattern, bad);
    if (!bad.empty() || conversions.size() != 1) return "";
    const Conversion& c = conversions.front();
    char digits[kMaxWidth + 16];
    std::snprintf(digits, sizeof digits, "%0*d", c.width, k);
    return pattern.substr(0, c.begin) + digits + pattern.substr(c.end);
}

const char* KindName(MovieKind kind) {
    switch (kind) {
        case MovieKind::Mp4:
            return "MP4";
        case MovieKind::WebM:
            return "WebM";
        case MovieKind::Gif:
            return "GIF";
        case MovieKind::FrameSeries:
            return "frame series";
    }
    return "movie";
}

}  // namespace calyra::movie
