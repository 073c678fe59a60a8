// All three parts of the renderer's shared state at once: user settings,
// output buffers and weight tables. New code includes the one it needs.
#pragma once

#include "render/buffers.h"
#include "render/user_settings.h"
#include "render/weights.h"
