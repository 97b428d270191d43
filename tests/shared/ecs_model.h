// A model of the entity-component store: what each operation must have done, kept in plain containers,
// and the check that the store's lists, chains and bytes agree with it. Shared by the store's property
// test and its fuzz target.
#pragma once

#include <cstdint>
#include <set>
#include <stdexcept>
#include <vector>

#include "ecs/ecs.h"

namespace novra {

struct ModelArchetype {
    Archetype* archetype;
    std::set<ComponentId> ids;
    int32_t chunk_capacity;
    int32_t bucket;
    size_t chain_length;           // Chunks in the chain: enough for the most rows it ever held
    std::vector<System*> systems;  // its SystemLinks, in link order
};

struct ModelEntity {
    Entity handle;
    size_t archetype;  // index into EcsModel::archetypes
    // Bytes of each data component written through entity_component, by id; unwritten ones are unknown.
    std::vector<std::pair<ComponentId, std::vector<uint8_t>>> written;
};

struct ModelSystem {
    System* system;
    std::set<ComponentId> include, exclude;
    std::vector<ComponentId> data_ids;  // include ids of non-zero size, in the order given, repeats kept
    std::vector<size_t> links;          // indices into EcsModel::archetypes, in link order
};

struct EcsModel {
    bool ready = false;
    std::vector<uint32_t> sizes;
    std::vector<ModelArchetype> archetypes;  // in creation order
    std::vector<ModelSystem> systems;        // in creation order
    std::vector<ModelEntity> live;
    std::vector<Entity> stale;
    std::vector<EntityRecord*> released;  // the free stack, top last
    size_t free_stack_slots = 64;         // slots in the free stack's chain; pushing past them allocates
    std::vector<Entity> queued;
};

// The first difference found between the store and its model.
struct ModelMismatch : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws ModelMismatch naming the difference.
[[noreturn]] void model_fail(const char* what);

// Records a new Archetype of `ids` and links it with every modelled System that selects it.
void model_add_archetype(EcsModel& model, Archetype* archetype, const std::set<ComponentId>& ids,
                         int32_t rows_per_chunk);

// Records a new System of the first include_count of `ids` as includes and the rest as excludes, linked
// with the Archetypes that exist now in the table's walk order: bucket by bucket, each bucket in order of
// creation.
void model_add_system(EcsModel& model, System* system, size_t include_count,
                      const std::vector<ComponentId>& ids);

// Records an entity entity_create just gave for model.archetypes[archetype]: it must have reused the
// record released last, if any, and no live one.
void model_add_entity(EcsModel& model, Entity entity, size_t archetype);

// Records the bytes just written to component `id` of `entity`.
void model_write(ModelEntity& entity, ComponentId id, const std::vector<uint8_t>& bytes);

// What entity_flush_removals must do to the queued handles, last queued first; returns the handles it
// carries out. `countdown` is the allocation countdown it runs under (-1: no failure): a push that needs a
// new block of the free stack allocates, and refused, the record is not reused.
std::vector<Entity> model_flush(EcsModel& model, int64_t countdown);

// Whether `system` selects an Archetype of exactly `ids`.
bool model_matches(const ModelSystem& system, const std::set<ComponentId>& ids);

// The bucket the documented rule gives for a mask of exactly `ids`: the words' signed remainders by 331,
// summed, by 37, a negative result folded into 0..36.
int32_t model_bucket(const std::set<ComponentId>& ids);

// Byte offset of component `id`'s column in a Chunk of `archetype` (pointer-sized back-pointers first,
// then the data columns in ascending id order, no gaps), and the bytes one row takes.
uint64_t model_column_offset(const EcsModel& model, const ModelArchetype& archetype, ComponentId id);
uint64_t model_row_size(const EcsModel& model, const std::set<ComponentId>& ids);

// The Chunks visited by a run of an Archetype: every full one from the first, then the one after them if
// the chain has it.
size_t model_visited_chunks(const EcsModel& model, size_t archetype);

// Rows in use in the Archetype.
size_t model_live_rows(const EcsModel& model, size_t archetype);

// Compares every list, chain, link, record and written byte of the store with the model.
void model_check_store(const EcsModel& model);

}  // namespace novra
