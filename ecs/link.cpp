// Matching Systems with Archetypes and keeping the paired link entries.
#include "ecs/link.h"

#include <algorithm>

#include "ecs/allocation.h"
#include "ecs/mask.h"

namespace novra {

bool archetype_matches(const System* system, const Archetype* archetype) {
    // Every include word is checked, also past the Archetype's mask: an id the Archetype's shorter mask
    // cannot hold is an id it lacks.
    for (int32_t i = 0; i < system->include_words; ++i) {
        uint32_t wanted = system->include_mask[i];
        if ((mask_word(archetype->mask, archetype->mask_words, i) & wanted) != wanted) return false;
    }
    int32_t shared = std::min(archetype->mask_words, system->exclude_words);
    for (int32_t i = 0; i < shared; ++i) {
        if ((archetype->mask[i] & system->exclude_mask[i]) != 0) return false;
    }
    return true;
}

bool link_pair(System* system, Archetype* archetype) {
    ArchetypeLink* to_archetype = ecs_append(system->current_link);
    if (to_archetype == nullptr) return false;
    SystemLink* to_system = ecs_append(archetype->current_link);
    if (to_system == nullptr) {
        block_pop(system->current_link);
        return false;
    }
    *to_archetype = ArchetypeLink{archetype, to_system};
    *to_system = SystemLink{system, to_archetype};
    return true;
}

void system_unlink_all(System* system) {
    for (Block<ArchetypeLink, 8>* block = system->first_link; block != nullptr; block = block->next) {
        for (int32_t i = 0; i < block->count; ++i)
            block_pop(block->items[i].archetype->current_link);
    }
}

void archetype_unlink_all(Archetype* archetype) {
    for (Block<SystemLink, 8>* block = archetype->first_link; block != nullptr; block = block->next) {
        for (int32_t i = 0; i < block->count; ++i)
            block_pop(block->items[i].system->current_link);
    }
}

}  // namespace novra
