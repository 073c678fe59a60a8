// Moved to base/messages.h, where every layer can use it; this name stays for code
// written before the move.
#pragma once

#include "base/messages.h"
