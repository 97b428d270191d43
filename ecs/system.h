// Systems: internals shared with ecs_init.
#pragma once

#include "ecs/ecs.h"

namespace novra {

// Frees the System with its masks, data ids and link blocks; it must no longer be listed or linked.
void system_release(System* system);

}  // namespace novra
