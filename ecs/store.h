// The store's program-wide lists, made by ecs_init() (the ArchetypeTable is in ecs/archetype.h). They are
// either all present or all null.
#pragma once

#include "core/block_list.h"
#include "ecs/ecs.h"

namespace novra {

// Entity records, appended and never freed, and the records released by removals, reused last first.
struct EntityStore {
    Block<EntityRecord, 64>* records;
    Block<EntityRecord*, 64>* free_stack;
};
extern EntityStore entity_store;
static_assert(sizeof(void*) != 4 || sizeof(Block<EntityRecord, 64>) == 780, "entity record blocks");
static_assert(sizeof(void*) != 4 || sizeof(Block<EntityRecord*, 64>) == 268, "free stack blocks");

// Handles waiting for entity_flush_removals, which pops them: the last queued is carried out first.
struct RemovalQueue {
    Block<Entity, 64>* current;
};
extern RemovalQueue removal_queue;
static_assert(sizeof(void*) != 4 || sizeof(Block<Entity, 64>) == 524, "removal queue blocks");

// Every System in creation order.
struct SystemList {
    BlockList<System*, 16> systems;
};
extern SystemList system_list;
static_assert(sizeof(void*) != 4 || sizeof(Block<System*, 16>) == 76, "system list blocks");

// Whether ecs_init() has made the stores. It makes every list or none, the SystemList last.
inline bool ecs_ready() {
    return system_list.systems.first != nullptr;
}

}  // namespace novra
