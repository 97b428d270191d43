#include "ecs/allocation.h"

#include <cstdlib>

namespace novra {

int64_t ecs_fail_allocation_after = -1;

bool ecs_allocation_refused() {
    if (ecs_fail_allocation_after < 0) return false;
    if (ecs_fail_allocation_after == 0) return true;
    --ecs_fail_allocation_after;
    return false;
}

void* ecs_malloc(size_t bytes) {
    return ecs_allocation_refused() ? nullptr : std::malloc(bytes == 0 ? 1 : bytes);
}

}  // namespace novra
