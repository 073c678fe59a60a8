// Reading a volume again from where it came from (a view's volume), the
// same way for the windowed program and calyra-render.
#pragma once

#include "render/session.h"
#include "volume/view_volume.h"

namespace calyra::formats {

// Loads the volume v names into the session: builds the model, imports the
// raw file, or opens the standard file, and remembers v as the session's
// shown volume. False, with the message reported (under caption, if given),
// when it cannot; the session's volume then stays as it was.
bool LoadViewVolume(Session& session, const ViewVolume& v, const std::string& caption = "");

// The same for each kind on its own. The import's parameters are checked
// first (a refusal is reported with the refusal message); the standard file
// and the import record their absolute path and size as the shown volume.
bool BuildNamedModel(Session& session, const std::string& name, const std::string& caption = "");
bool ImportRawVolume(Session& session, const std::string& path, RawFormat format,
                     const ImportParams& params, const ImportOptions& options);
bool OpenStandardVolume(Session& session, const ViewVolume& v);

// The text naming an unknown model of a view.
inline constexpr const char* kUnknownViewModel = "The view names an unknown model: ";

}  // namespace calyra::formats
