// A table that reaches up into the windows: the layers check must refuse it.
#include "ui/frame_window.h"
