// Entity-component store: numbered component types, archetypes that keep their entities' components in
// chunked columns, entities addressed through stable records with generations and removed at the end of
// the frame, and systems linked once to every archetype they select and run chunk by chunk.
//
// One store for the program, on one thread. ecs_init() makes it; every operation reports a failed
// allocation by an empty result (null, the empty Entity, invalid_component_id) and leaves the store as
// it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "core/block_list.h"

namespace novra {

using ComponentId = uint32_t;
constexpr ComponentId invalid_component_id = 0xFFFFFFFFu;  // component_register's failure result

// Byte size of every registered component type, indexed by ComponentId. A size of 0 marks a tag: it
// takes part in masks but has no storage.
struct ComponentRegistry {
    uint32_t* sizes;
    uint32_t count;     // types registered so far; the ids in use are 0 to count - 1
    uint32_t capacity;  // entries `sizes` can hold; grows by 16
};
extern ComponentRegistry component_registry;

struct Archetype;
struct System;
struct SystemLink;

// A fixed number of rows of one Archetype. The data area follows this header in the same allocation:
// first a column of chunk_capacity EntityRecord pointers (the back-pointers), then one column per data
// component in ascending id order, with no gaps.
struct Chunk {
    Archetype* archetype;
    Chunk* prev;    // null for the first Chunk of the chain
    Chunk* next;    // null for the last
    int32_t count;  // rows in use, packed from row 0
};

// Start of the Chunk's data area, right after the header.
inline std::byte* chunk_data(Chunk* chunk) {
    return reinterpret_cast<std::byte*>(chunk) + sizeof(Chunk);
}

// The two entries of one System-Archetype pair, each kept in its owner's link list and naming the other.
struct ArchetypeLink {
    Archetype* archetype;
    SystemLink* partner;
};
struct SystemLink {
    System* system;
    ArchetypeLink* partner;
};
static_assert(sizeof(void*) != 4 || (sizeof(ArchetypeLink) == 8 && sizeof(SystemLink) == 8),
              "links are 8 bytes");
static_assert(sizeof(void*) != 4 ||
                  (sizeof(Block<ArchetypeLink, 8>) == 76 && sizeof(Block<SystemLink, 8>) == 76),
              "link blocks are 76 bytes");

// Every entity with exactly one combination of component types (one mask).
struct Archetype {
    Chunk* first_chunk;
    Chunk* current_chunk;    // receives the next row; Chunks before it are full, Chunks after it empty
    int32_t chunk_capacity;  // rows per Chunk, at least 1
    int32_t mask_words;
    uint32_t* mask;  // component id i is bit i % 32 of word i / 32
    int32_t data_count;
    uint32_t* column_sizes;  // data_count sizes, in column order
    // data component id -> byte offset of its column in the data area; no entry for tags
    std::unordered_map<uint32_t, uint32_t>* column_offsets;
    int32_t row_size;  // pointer size plus every data component's size
    Block<SystemLink, 8>* first_link;
    Block<SystemLink, 8>* current_link;
};

// Where an entity's row is. Never moves; reused after the entity's removal with a higher generation.
struct EntityRecord {
    Chunk* chunk;
    int32_t row;
    uint32_t generation;  // rises by 1 each time a removal releases the record
};
static_assert(sizeof(void*) != 4 || sizeof(EntityRecord) == 12, "entity records are 12 bytes");

// A handle held by callers: live while `generation` equals its record's. The empty Entity has a null record.
struct Entity {
    EntityRecord* record;
    uint32_t generation;
};
static_assert(sizeof(void*) != 4 || sizeof(Entity) == 8, "a handle is 8 bytes");

// Called once per Chunk: columns[k] points at row 0 of the column of data_ids[k] in `chunk`, row r of it
// at r times that component's size; the rows in use are 0 to chunk->count - 1 (possibly none).
using SystemCallback = void (*)(Chunk* chunk, void* const* columns);

// A callback bound to the Archetypes that have every include component and no exclude component.
struct System {
    int32_t include_words;
    uint32_t* include_mask;
    int32_t exclude_words;
    uint32_t* exclude_mask;
    int32_t data_count;
    ComponentId* data_ids;  // the include ids that are data components, in the order given, repeats kept
    SystemCallback callback;
    Block<ArchetypeLink, 8>* first_link;
    Block<ArchetypeLink, 8>* current_link;
};

// Makes fresh, empty stores, releasing any earlier ones first. If an allocation fails no store exists
// afterwards: archetype_get and system_create then return null and entity_remove does nothing.
void ecs_init();

// Registers a component type of `size` bytes (0 for a tag) and returns its id, counting from 0.
// Returns invalid_component_id, changing nothing, when the registry cannot grow.
ComponentId component_register(uint32_t size);

// The Archetype of the id_count ComponentIds that follow (order and repeats do not matter), created on
// first use with rows_per_chunk rows per Chunk; an existing one keeps its own chunk_capacity.
// Returns null when rows_per_chunk < 1, id_count < 0, an id is not registered, the layout would not fit
// 32-bit offsets, or an allocation fails.
Archetype* archetype_get(int32_t rows_per_chunk, int32_t id_count, ...);

// A System calling `callback` for the Archetypes that hold all include_count ids and none of the
// exclude_count ids that follow them (ComponentId varargs, includes first), linked with every matching
// Archetype, existing or later. Returns null when a count is negative, an id is not registered, or an
// allocation fails.
System* system_create(SystemCallback callback, int32_t include_count, int32_t exclude_count, ...);

// Calls the callback for every Chunk in use of every linked Archetype, in link order, each Archetype's
// Chunks from the first up to the first one that is not full. Allocates nothing. A null System does nothing.
void system_run(System* system);

// Adds an entity to `archetype`, its component bytes unwritten. Returns the empty Entity, adding nothing,
// when the archetype is null or an allocation fails.
Entity entity_create(Archetype* archetype);

// Address of component `id` of a live entity (null for the empty Entity). Throws
// std::out_of_range("invalid unordered_map<K, T> key") when the entity's Archetype has no column for
// `id` (a tag, or a component it lacks).
void* entity_component(ComponentId id, Entity entity);

// Queues the entity's removal for entity_flush_removals. Returns whether it was queued: the empty
// Entity, a store that was never made, or a queue that cannot grow queue nothing.
bool entity_remove(Entity entity);

// Carries out the queued removals, the last queued first, skipping handles that are already stale: the
// Archetype's last row fills the hole, and the record's generation rises by 1.
void entity_flush_removals();

}  // namespace novra
