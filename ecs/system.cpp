// Systems: creation with linking to the existing Archetypes, and the per-chunk run.
#include "ecs/system.h"

#include <cstdarg>
#include <cstdlib>
#include <new>

#include "ecs/allocation.h"
#include "ecs/archetype.h"
#include "ecs/link.h"
#include "ecs/mask.h"
#include "ecs/store.h"

namespace novra {

SystemList system_list;

namespace {

// A run keeps the column pointers and offsets of up to this many data components on its stack.
constexpr int32_t run_stack_columns = 16;

// The one allocation data_ids points at. The ids come first; a System with more data columns than a
// run keeps on its stack also carries its run's scratch space there, after the ids, so that a run never
// allocates and cannot fail.
struct DataIdsLayout {
    size_t scratch_offset;  // the ids' bytes, rounded up so that pointers may follow them
    size_t total_bytes;     // just the ids when runs use the stack
};

DataIdsLayout data_ids_layout(int32_t data_count) {
    const size_t ids_bytes = size_t(data_count) * sizeof(ComponentId);
    const size_t scratch_offset = (ids_bytes + alignof(void*) - 1) / alignof(void*) * alignof(void*);
    if (data_count <= run_stack_columns) return {scratch_offset, scratch_offset};
    return {scratch_offset, scratch_offset + size_t(data_count) * (sizeof(void*) + sizeof(uint32_t))};
}

// A run's working space: a column pointer and a column offset for each data column.
struct RunScratch {
    void** columns;
    uint32_t* offsets;
};

// The scratch space behind a wide System's ids: data_count column pointers, then data_count offsets.
RunScratch run_scratch(const System* system) {
    std::byte* scratch =
        reinterpret_cast<std::byte*>(system->data_ids) + data_ids_layout(system->data_count).scratch_offset;
    auto* columns = reinterpret_cast<void**>(scratch);
    return {columns, reinterpret_cast<uint32_t*>(columns + system->data_count)};
}

// Reads the include ids twice (a copy of the list each time): once to size data_ids, once to fill it.
// False when an include id is not registered or the allocation fails.
bool system_take_data_ids(System* system, int32_t include_count, std::va_list* ids) {
    std::va_list pass;
    va_copy(pass, *ids);
    int32_t data_count = 0;
    bool registered = true;
    for (int32_t i = 0; i < include_count; ++i) {
        ComponentId id = va_arg(pass, ComponentId);
        if (id >= component_registry.count)
            registered = false;
        else if (component_registry.sizes[id] != 0)
            ++data_count;
    }
    va_end(pass);
    if (!registered) return false;
    system->data_ids = static_cast<ComponentId*>(ecs_malloc(data_ids_layout(data_count).total_bytes));
    if (system->data_ids == nullptr) return false;
    system->data_count = data_count;
    va_copy(pass, *ids);
    int32_t k = 0;
    for (int32_t i = 0; i < include_count; ++i) {
        ComponentId id = va_arg(pass, ComponentId);
        if (component_registry.sizes[id] != 0) system->data_ids[k++] = id;
    }
    va_end(pass);
    return true;
}

// Allocates what the System owns. False on the first failure; system_release frees whatever was made.
bool system_build(System* system, int32_t include_count, int32_t exclude_count, std::va_list* ids) {
    if (!system_take_data_ids(system, include_count, ids)) return false;
    ComponentMask include = mask_build(include_count, ids);
    system->include_mask = include.words;
    system->include_words = include.word_count;
    if (include.words == nullptr) return false;
    ComponentMask exclude = mask_build(exclude_count, ids);
    system->exclude_mask = exclude.words;
    system->exclude_words = exclude.word_count;
    if (exclude.words == nullptr) return false;
    system->first_link = system->current_link = ecs_block_create<ArchetypeLink, 8>();
    return system->first_link != nullptr;
}

// Lists the System and links it with every matching Archetype, visiting the buckets in order, or, when
// a block cannot be had, takes back what was entered and returns false.
bool system_enter(System* system) {
    System** slot = ecs_append(system_list.systems.current);
    if (slot == nullptr) return false;
    *slot = system;
    for (const BlockList<Archetype*, 16>& bucket : archetype_table.buckets) {
        for (Block<Archetype*, 16>* block = bucket.first; block != nullptr; block = block->next) {
            for (int32_t i = 0; i < block->count; ++i) {
                Archetype* archetype = block->items[i];
                if (!archetype_matches(system, archetype)) continue;
                if (!link_pair(system, archetype)) {
                    system_unlink_all(system);
                    block_pop(system_list.systems.current);
                    return false;
                }
            }
        }
    }
    return true;
}

// Offsets of the System's data columns in the Archetype. False if one is missing, which matching
// rules out; such an Archetype is then skipped rather than handed wrong columns.
bool columns_locate(const System* system, const Archetype* archetype, uint32_t* offsets) {
    for (int32_t k = 0; k < system->data_count; ++k) {
        auto column = archetype->column_offsets->find(system->data_ids[k]);
        if (column == archetype->column_offsets->end()) return false;
        offsets[k] = column->second;
    }
    return true;
}

void system_run_with(System* system, RunScratch scratch) {
    const int32_t data_count = system->data_count;
    for (Block<ArchetypeLink, 8>* block = system->first_link; block != nullptr; block = block->next) {
        for (int32_t i = 0; i < block->count; ++i) {
            Archetype* archetype = block->items[i].archetype;
            if (!columns_locate(system, archetype, scratch.offsets)) continue;
            // The chain is full up to the Chunk in use, so the first Chunk that is not full is the last.
            for (Chunk* chunk = archetype->first_chunk; chunk != nullptr; chunk = chunk->next) {
                std::byte* data = chunk_data(chunk);
                for (int32_t k = 0; k < data_count; ++k)
                    scratch.columns[k] = data + scratch.offsets[k];
                system->callback(chunk, scratch.columns);
                if (chunk->count != archetype->chunk_capacity) break;
            }
        }
    }
}

}  // namespace

System* system_create(SystemCallback callback, int32_t include_count, int32_t exclude_count, ...) {
    if (include_count < 0 || exclude_count < 0 || !ecs_ready()) return nullptr;
    void* memory = ecs_malloc(sizeof(System));
    if (memory == nullptr) return nullptr;
    auto* system = new (memory) System{};
    system->callback = callback;
    std::va_list ids;
    va_start(ids, exclude_count);
    bool built = system_build(system, include_count, exclude_count, &ids);
    va_end(ids);
    if (!built || !system_enter(system)) {
        system_release(system);
        return nullptr;
    }
    return system;
}

void system_run(System* system) {
    if (system == nullptr) return;
    if (system->data_count <= run_stack_columns) {
        void* columns[run_stack_columns];
        uint32_t offsets[run_stack_columns];
        system_run_with(system, {columns, offsets});
        return;
    }
    system_run_with(system, run_scratch(system));
}

void system_release(System* system) {
    std::free(system->include_mask);
    std::free(system->exclude_mask);
    std::free(system->data_ids);
    block_chain_free(system->first_link);
    std::free(system);
}

}  // namespace novra
