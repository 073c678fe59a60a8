// A volume file that reaches up into the renderer: the layers check must refuse it.
#include "render/user_settings.h"
