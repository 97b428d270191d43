// Entities: rows of an Archetype reached through stable records, removed at the end of the frame by
// moving the Archetype's last row into the hole.
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "ecs/allocation.h"
#include "ecs/archetype.h"
#include "ecs/store.h"

namespace novra {

EntityStore entity_store;
RemovalQueue removal_queue;

namespace {

EntityRecord** chunk_back_pointers(Chunk* chunk) {
    return reinterpret_cast<EntityRecord**>(chunk_data(chunk));
}

// The record released last, or a fresh one from the records list; null when that list cannot grow.
EntityRecord* record_take() {
    if (EntityRecord** released = block_pop(entity_store.free_stack)) return *released;
    EntityRecord* record = ecs_append(entity_store.records);
    if (record != nullptr) record->generation = 0;
    return record;
}

// Moves the Archetype's last row into the row `record` leaves, so every Chunk stays packed from row 0.
void row_fill_hole(EntityRecord* record) {
    Chunk* hole = record->chunk;
    Archetype* archetype = hole->archetype;
    Chunk* last = archetype->current_chunk;
    if (last->count == 0) {
        last = last->prev;
        archetype->current_chunk = last;
    }
    int32_t last_row = --last->count;
    if (last == hole && last_row == record->row) return;

    EntityRecord* moved = chunk_back_pointers(last)[last_row];
    moved->chunk = hole;
    moved->row = record->row;
    chunk_back_pointers(hole)[record->row] = moved;
    size_t offset = size_t(archetype->chunk_capacity) * sizeof(void*);
    for (int32_t k = 0; k < archetype->data_count; ++k) {
        size_t size = archetype->column_sizes[k];
        std::memcpy(chunk_data(hole) + offset + size_t(record->row) * size,
                    chunk_data(last) + offset + size_t(last_row) * size, size);
        offset += size_t(archetype->chunk_capacity) * size;
    }
}

}  // namespace

Entity entity_create(Archetype* archetype) {
    if (archetype == nullptr) return Entity{};
    Chunk* chunk = archetype->current_chunk;
    bool chunk_full = chunk->count == archetype->chunk_capacity;
    // The Chunk is allocated before the record is taken and linked only once both exist, so that a
    // failure leaves the chain and the records as they were.
    Chunk* fresh = nullptr;
    if (chunk_full && chunk->next == nullptr) {
        fresh = chunk_create(archetype, chunk);
        if (fresh == nullptr) return Entity{};
    }
    EntityRecord* record = record_take();
    if (record == nullptr) {
        std::free(fresh);
        return Entity{};
    }
    if (chunk_full) {
        if (fresh != nullptr) chunk->next = fresh;
        chunk = chunk->next;
        archetype->current_chunk = chunk;
    }
    int32_t row = chunk->count;
    chunk_back_pointers(chunk)[row] = record;
    record->chunk = chunk;
    record->row = row;
    chunk->count = row + 1;
    return Entity{record, record->generation};
}

void* entity_component(ComponentId id, Entity entity) {
    EntityRecord* record = entity.record;
    if (record == nullptr) return nullptr;
    Chunk* chunk = record->chunk;
    const std::unordered_map<uint32_t, uint32_t>& offsets = *chunk->archetype->column_offsets;
    auto column = offsets.find(id);
    // Thrown here with one fixed text, as standard libraries word their own at() failure differently.
    if (column == offsets.end()) throw std::out_of_range("invalid unordered_map<K, T> key");
    return chunk_data(chunk) + column->second + size_t(component_registry.sizes[id]) * size_t(record->row);
}

bool entity_remove(Entity entity) {
    if (entity.record == nullptr || !ecs_ready()) return false;
    Entity* slot = ecs_append(removal_queue.current);
    if (slot == nullptr) return false;
    *slot = entity;
    return true;
}

void entity_flush_removals() {
    if (!ecs_ready()) return;
    while (Entity* queued = block_pop(removal_queue.current)) {
        EntityRecord* record = queued->record;
        if (record->generation != queued->generation) continue;
        // A record the free stack has no room for is still removed, only never reused.
        if (EntityRecord** slot = ecs_append(entity_store.free_stack)) *slot = record;
        row_fill_hole(record);
        ++record->generation;
    }
}

}  // namespace novra
