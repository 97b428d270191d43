// Archetypes: lookup by mask, creation with the column layout, and the first Chunk.
#include "ecs/archetype.h"

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdlib>
#include <new>

#include "ecs/allocation.h"
#include "ecs/link.h"
#include "ecs/mask.h"
#include "ecs/store.h"

namespace novra {

ArchetypeTable archetype_table;

namespace {

// Column offsets are 32-bit and a Chunk is one allocation, so its data area must fit both.
constexpr uint64_t chunk_data_limit = std::min<uint64_t>(UINT32_MAX, SIZE_MAX - sizeof(Chunk));

// Fills column_sizes, column_offsets and row_size from the mask: the back-pointer column first, then
// one column per data component in ascending id order, with no gaps. False when an allocation fails or
// the data area would pass chunk_data_limit.
bool archetype_lay_out(Archetype* archetype) {
    if (ecs_allocation_refused()) return false;
    archetype->column_offsets = new (std::nothrow) std::unordered_map<uint32_t, uint32_t>();
    if (archetype->column_offsets == nullptr) return false;
    const uint64_t rows = uint64_t(archetype->chunk_capacity);
    uint64_t running = sizeof(void*);
    int32_t column = 0;
    try {
        for (int32_t w = 0; w < archetype->mask_words; ++w) {
            for (uint32_t bits = archetype->mask[w]; bits != 0; bits &= bits - 1) {
                ComponentId id = uint32_t(w) * 32 + uint32_t(std::countr_zero(bits));
                uint32_t size = component_registry.sizes[id];
                if (size == 0) continue;
                // running stays below 2^31 and so does rows, so the products cannot wrap.
                if (running + size > INT32_MAX || rows * (running + size) > chunk_data_limit) return false;
                archetype->column_offsets->emplace(id, uint32_t(rows * running));
                archetype->column_sizes[column++] = size;
                running += size;
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (rows * running > chunk_data_limit) return false;
    archetype->row_size = int32_t(running);
    return true;
}

// Allocates what the Archetype owns besides its entries in other lists. False on the first failure;
// archetype_release frees whatever was made.
bool archetype_build(Archetype* archetype, const uint32_t* mask) {
    archetype->mask = static_cast<uint32_t*>(ecs_malloc(size_t(archetype->mask_words) * sizeof(uint32_t)));
    if (archetype->mask == nullptr) return false;
    std::copy_n(mask, archetype->mask_words, archetype->mask);
    archetype->column_sizes =
        static_cast<uint32_t*>(ecs_malloc(size_t(archetype->data_count) * sizeof(uint32_t)));
    if (archetype->column_sizes == nullptr) return false;
    if (!archetype_lay_out(archetype)) return false;
    archetype->first_chunk = archetype->current_chunk = chunk_create(archetype, nullptr);
    if (archetype->first_chunk == nullptr) return false;
    archetype->first_link = archetype->current_link = ecs_block_create<SystemLink, 8>();
    return archetype->first_link != nullptr;
}

// Enters the Archetype in its bucket and links it with every matching System, or, when a block cannot
// be had, takes back what was entered and returns false.
bool archetype_enter(Archetype* archetype) {
    BlockList<Archetype*, 16>& bucket =
        archetype_table.buckets[mask_bucket(archetype->mask, archetype->mask_words)];
    Archetype** slot = ecs_append(bucket.current);
    if (slot == nullptr) return false;
    *slot = archetype;
    for (Block<System*, 16>* block = system_list.systems.first; block != nullptr; block = block->next) {
        for (int32_t i = 0; i < block->count; ++i) {
            System* system = block->items[i];
            if (!archetype_matches(system, archetype)) continue;
            if (!link_pair(system, archetype)) {
                archetype_unlink_all(archetype);
                block_pop(bucket.current);
                return false;
            }
        }
    }
    return true;
}

}  // namespace

Archetype* archetype_get(int32_t rows_per_chunk, int32_t id_count, ...) {
    if (rows_per_chunk < 1 || !ecs_ready()) return nullptr;
    std::va_list ids;
    va_start(ids, id_count);
    ComponentMask mask = mask_build(id_count, &ids);
    va_end(ids);
    if (mask.words == nullptr) return nullptr;
    Archetype* archetype = archetype_find(mask.words, mask.word_count);
    if (archetype == nullptr)
        archetype = archetype_create(mask.words, mask.word_count, mask.data_count, rows_per_chunk);
    std::free(mask.words);
    return archetype;
}

Archetype* archetype_find(const uint32_t* mask, int32_t mask_words) {
    const BlockList<Archetype*, 16>& bucket = archetype_table.buckets[mask_bucket(mask, mask_words)];
    for (const Block<Archetype*, 16>* block = bucket.first; block != nullptr; block = block->next) {
        for (int32_t i = 0; i < block->count; ++i) {
            Archetype* archetype = block->items[i];
            if (mask_equal(archetype->mask, archetype->mask_words, mask, mask_words)) return archetype;
        }
    }
    return nullptr;
}

Archetype* archetype_create(const uint32_t* mask, int32_t mask_words, int32_t data_count,
                            int32_t rows_per_chunk) {
    void* memory = ecs_malloc(sizeof(Archetype));
    if (memory == nullptr) return nullptr;
    auto* archetype = new (memory) Archetype{};
    archetype->chunk_capacity = rows_per_chunk;
    archetype->mask_words = mask_words;
    archetype->data_count = data_count;
    if (!archetype_build(archetype, mask) || !archetype_enter(archetype)) {
        archetype_release(archetype);
        return nullptr;
    }
    return archetype;
}

Chunk* chunk_create(Archetype* archetype, Chunk* prev) {
    size_t data_bytes = size_t(archetype->chunk_capacity) * size_t(archetype->row_size);
    auto* chunk = static_cast<Chunk*>(ecs_malloc(sizeof(Chunk) + data_bytes));
    if (chunk == nullptr) return nullptr;
    *chunk = Chunk{archetype, prev, nullptr, 0};
    return chunk;
}

void archetype_release(Archetype* archetype) {
    for (Chunk* chunk = archetype->first_chunk; chunk != nullptr;) {
        Chunk* next = chunk->next;
        std::free(chunk);
        chunk = next;
    }
    std::free(archetype->mask);
    std::free(archetype->column_sizes);
    delete archetype->column_offsets;
    block_chain_free(archetype->first_link);
    std::free(archetype);
}

}  // namespace novra
