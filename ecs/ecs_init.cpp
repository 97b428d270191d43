// Making and discarding the whole store.
#include <cstdlib>

#include "ecs/allocation.h"
#include "ecs/archetype.h"
#include "ecs/store.h"
#include "ecs/system.h"

namespace novra {

namespace {

constexpr uint32_t registry_first_capacity = 16;

// Frees every list and everything they own, leaving all stores null and the registry empty.
void ecs_release() {
    for (BlockList<Archetype*, 16>& bucket : archetype_table.buckets) {
        for (Block<Archetype*, 16>* block = bucket.first; block != nullptr; block = block->next) {
            for (int32_t i = 0; i < block->count; ++i)
                archetype_release(block->items[i]);
        }
        block_chain_free(bucket.first);
        bucket = {};
    }
    for (Block<System*, 16>* block = system_list.systems.first; block != nullptr; block = block->next) {
        for (int32_t i = 0; i < block->count; ++i)
            system_release(block->items[i]);
    }
    block_chain_free(system_list.systems.first);
    system_list = {};
    std::free(component_registry.sizes);
    component_registry = {};
    block_chain_free(entity_store.records);
    block_chain_free(entity_store.free_stack);
    entity_store = {};
    block_chain_free(removal_queue.current);
    removal_queue = {};
}

// Makes each list with one empty block, in the order of the game's start-up. False on the first failure.
bool ecs_make() {
    for (BlockList<Archetype*, 16>& bucket : archetype_table.buckets) {
        bucket.first = bucket.current = ecs_block_create<Archetype*, 16>();
        if (bucket.first == nullptr) return false;
    }
    component_registry.sizes = static_cast<uint32_t*>(ecs_malloc(registry_first_capacity * sizeof(uint32_t)));
    if (component_registry.sizes == nullptr) return false;
    component_registry.capacity = registry_first_capacity;
    entity_store.records = ecs_block_create<EntityRecord, 64>();
    if (entity_store.records == nullptr) return false;
    entity_store.free_stack = ecs_block_create<EntityRecord*, 64>();
    if (entity_store.free_stack == nullptr) return false;
    removal_queue.current = ecs_block_create<Entity, 64>();
    if (removal_queue.current == nullptr) return false;
    system_list.systems.first = system_list.systems.current = ecs_block_create<System*, 16>();
    return system_list.systems.first != nullptr;
}

}  // namespace

void ecs_init() {
    ecs_release();
    if (!ecs_make()) ecs_release();
}

}  // namespace novra
