// The store's program-wide lists, made by ecs_init(). They are either all present or all null.
#pragma once

#include "core/block_list.h"
#include "ecs/ecs.h"
#include "ecs/mask.h"

namespace novra {

// Every Archetype, in the bucket mask_bucket gives for its mask, in order of creation.
struct ArchetypeTable {
    BlockList<Archetype*, 16> buckets[archetype_bucket_count];
};
extern ArchetypeTable archetype_table;

// Entity records, appended and never freed, and the records released by removals, reused last first.
struct EntityStore {
    Block<EntityRecord, 64>* records;
    Block<EntityRecord*, 64>* free_stack;
};
extern EntityStore entity_store;

// Handles waiting for entity_flush_removals, which pops them: the last queued is carried out first.
struct RemovalQueue {
    Block<Entity, 64>* current;
};
extern RemovalQueue removal_queue;

// Every System in creation order.
struct SystemList {
    BlockList<System*, 16> systems;
};
extern SystemList system_list;

// Whether ecs_init() has made the stores. It makes every list or none, the SystemList last.
inline bool ecs_ready() {
    return system_list.systems.first != nullptr;
}

}  // namespace novra
