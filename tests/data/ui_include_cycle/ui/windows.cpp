#include "ui/windows.h"

#include "ui/commands.h"
