// calyra-render --turntable: the view turned a whole turn about the box
// centre, frame by frame, into a movie or a numbered PNG series.
#pragma once

#include <string>

#include "cli/options.h"

namespace calyra {
struct Session;
}  // namespace calyra

namespace calyra::cli {

struct TurntableRequest {
    std::string out;  // a movie's name or a frame series pattern
    int frames = 1;
    TurnAxis axis = TurnAxis::Horizontal;
    int fps = 25;           // --fps when not given
    int size = 0;           // as --size: 0 one pixel per cell
    bool progress = false;  // a "frame k/N" line on stderr
};

// Renders and writes every frame; the session's orientation is the starting
// view and is left as it was. Returns the reason of a failure ("" on
// success). A failed movie leaves no file and no temporary, and a file of
// its name as it was; a failed series leaves none of its frames and the
// files of their names as they were.
std::string WriteTurntable(Session& session, const TurntableRequest& request);

}  // namespace calyra::cli
