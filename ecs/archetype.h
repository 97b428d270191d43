// Archetypes and their Chunks: lookup by mask in the ArchetypeTable, creation with the column layout.
#pragma once

#include <cstdint>

#include "core/block_list.h"
#include "ecs/ecs.h"
#include "ecs/mask.h"

namespace novra {

// Every Archetype, in the bucket mask_bucket gives for its mask, in order of creation.
struct ArchetypeTable {
    BlockList<Archetype*, 16> buckets[archetype_bucket_count];
};
extern ArchetypeTable archetype_table;
static_assert(sizeof(void*) != 4 || sizeof(Block<Archetype*, 16>) == 76, "bucket blocks are 76 bytes");

// The Archetype whose mask holds the same ids as `mask`, or null.
Archetype* archetype_find(const uint32_t* mask, int32_t mask_words);

// A new Archetype with its own copy of `mask`, its column layout, one empty Chunk and one empty link
// block, entered in its bucket and linked with every matching System. Returns null, with nothing
// entered or linked, when an allocation fails or a Chunk would exceed 32-bit offsets.
Archetype* archetype_create(const uint32_t* mask, int32_t mask_words, int32_t data_count,
                            int32_t rows_per_chunk);

// An empty Chunk of `archetype` whose prev is `prev`, not yet linked into the chain. Null on failure.
Chunk* chunk_create(Archetype* archetype, Chunk* prev);

// Frees the Archetype with its Chunks, mask, layout and link blocks; it must no longer be entered or linked.
void archetype_release(Archetype* archetype);

}  // namespace novra
