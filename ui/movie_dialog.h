// The "Save Movie" dialog: how many frames, which way the view turns, how
// fast the movie plays and where it goes.
#pragma once

#include <functional>
#include <optional>

#include "render/session.h"

class QWidget;

namespace calyra::ui {

// Runs the dialog owned by owner, starting from last; nothing when cancelled.
std::optional<MovieChoice> AskForMovie(QWidget* owner, const MovieChoice& last);

// Tests answer the dialog themselves; an empty function restores it.
using MovieAsker =
    std::function<std::optional<MovieChoice>(QWidget* owner, const MovieChoice& last)>;
void SetMovieAsker(MovieAsker asker);
// The asker in place: the test's, or the dialog.
std::optional<MovieChoice> RunMovieAsker(QWidget* owner, const MovieChoice& last);

}  // namespace calyra::ui
