#include "ui/commands.h"

#include "ui/panels.h"
#include "ui/windows.h"
