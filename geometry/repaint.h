// Moved to base/repaint.h, where every layer can use it; this name stays for code
// written before the move.
#pragma once

#include "base/repaint.h"
