#include "ecs_model.h"

#include <algorithm>
#include <cstring>

#include "ecs/archetype.h"
#include "ecs/store.h"

namespace novra {

namespace {

template <typename Item, int32_t N>
std::vector<Item> walk_from_first(const Block<Item, N>* first) {
    std::vector<Item> items;
    for (const Block<Item, N>* block = first; block != nullptr; block = block->next)
        items.insert(items.end(), block->items, block->items + block->count);
    return items;
}

// The items of a list kept by its current block only, oldest first.
template <typename Item, int32_t N>
std::vector<Item> walk_to_current(const Block<Item, N>* current) {
    const Block<Item, N>* first = current;
    while (first->previous != nullptr)
        first = first->previous;
    std::vector<Item> items;
    for (const Block<Item, N>* block = first;; block = block->next) {
        items.insert(items.end(), block->items, block->items + block->count);
        if (block == current) return items;
    }
}

EntityRecord** back_pointers(Chunk* chunk) {
    return reinterpret_cast<EntityRecord**>(chunk_data(chunk));
}

void check_registry(const EcsModel& model) {
    if (component_registry.count != model.sizes.size()) model_fail("registered count");
    if (component_registry.count > component_registry.capacity) model_fail("registry past its capacity");
    for (size_t id = 0; id < model.sizes.size(); ++id) {
        if (component_registry.sizes[id] != model.sizes[id]) model_fail("registered size changed");
    }
}

void check_table(const EcsModel& model) {
    for (int32_t bucket = 0; bucket < 37; ++bucket) {
        std::vector<Archetype*> expected;
        for (const ModelArchetype& archetype : model.archetypes) {
            if (archetype.bucket == bucket) expected.push_back(archetype.archetype);
        }
        if (walk_from_first(archetype_table.buckets[bucket].first) != expected)
            model_fail("bucket holds other Archetypes than were created for it");
    }
    std::vector<System*> systems;
    for (const ModelSystem& system : model.systems)
        systems.push_back(system.system);
    if (walk_from_first(system_list.systems.first) != systems) model_fail("SystemList differs");
}

void check_system(const EcsModel& model, const ModelSystem& expected) {
    const System* system = expected.system;
    if (system->data_count != int32_t(expected.data_ids.size()) ||
        !std::equal(expected.data_ids.begin(), expected.data_ids.end(), system->data_ids))
        model_fail("System data ids");
    std::vector<ArchetypeLink> links = walk_from_first(system->first_link);
    if (links.size() != expected.links.size()) model_fail("System link count");
    for (size_t i = 0; i < links.size(); ++i) {
        if (links[i].archetype != model.archetypes[expected.links[i]].archetype)
            model_fail("System linked to the wrong Archetype or in the wrong order");
        if (links[i].partner->system != system) model_fail("link partner names another System");
    }
}

void check_mask(const ModelArchetype& expected) {
    const Archetype* archetype = expected.archetype;
    for (int32_t w = 0; w < archetype->mask_words; ++w) {
        for (uint32_t bit = 0; bit < 32; ++bit) {
            const bool set = (archetype->mask[w] >> bit & 1u) != 0;
            if (set != (expected.ids.count(uint32_t(w) * 32 + bit) != 0)) model_fail("Archetype mask");
        }
    }
    if (!expected.ids.empty() && *expected.ids.rbegin() >= uint32_t(archetype->mask_words) * 32)
        model_fail("Archetype mask too short for its ids");
}

void check_layout(const EcsModel& model, const ModelArchetype& expected) {
    const Archetype* archetype = expected.archetype;
    if (archetype->chunk_capacity != expected.chunk_capacity) model_fail("chunk_capacity");
    if (uint64_t(archetype->row_size) != model_row_size(model, expected.ids)) model_fail("row_size");
    size_t data_ids = 0;
    for (ComponentId id : expected.ids) {
        if (model.sizes[id] == 0) continue;
        ++data_ids;
        auto column = archetype->column_offsets->find(id);
        if (column == archetype->column_offsets->end() ||
            column->second != model_column_offset(model, expected, id))
            model_fail("column offset");
    }
    if (archetype->column_offsets->size() != data_ids || archetype->data_count != int32_t(data_ids))
        model_fail("data column count");
}

void check_archetype(const EcsModel& model, size_t index, const std::set<EntityRecord*>& live) {
    const ModelArchetype& expected = model.archetypes[index];
    Archetype* archetype = expected.archetype;
    check_mask(expected);
    check_layout(model, expected);
    std::vector<SystemLink> links = walk_from_first(archetype->first_link);
    if (links.size() != expected.systems.size()) model_fail("Archetype link count");
    for (size_t i = 0; i < links.size(); ++i) {
        if (links[i].system != expected.systems[i]) model_fail("Archetype linked to the wrong System");
        if (links[i].partner->archetype != archetype) model_fail("link partner names another Archetype");
    }

    // The chain invariant: full Chunks before the current one, empty ones after it; every row in use
    // leads to a live record of this Archetype that leads back to it.
    std::set<EntityRecord*> rows;
    size_t length = 0;
    bool past_current = false;
    const Chunk* prev = nullptr;
    for (Chunk* chunk = archetype->first_chunk; chunk != nullptr; prev = chunk, chunk = chunk->next) {
        ++length;
        if (chunk->archetype != archetype || chunk->prev != prev) model_fail("Chunk chain links");
        if (chunk->count < 0 || chunk->count > archetype->chunk_capacity) model_fail("Chunk count");
        if (past_current && chunk->count != 0) model_fail("rows after the current Chunk");
        if (!past_current && chunk != archetype->current_chunk && chunk->count != archetype->chunk_capacity)
            model_fail("a Chunk before the current one is not full");
        if (chunk == archetype->current_chunk) past_current = true;
        for (int32_t row = 0; row < chunk->count; ++row) {
            EntityRecord* record = back_pointers(chunk)[row];
            if (record->chunk != chunk || record->row != row) model_fail("record and row disagree");
            rows.insert(record);
        }
    }
    if (!past_current) model_fail("current Chunk not in the chain");
    if (length != expected.chain_length) model_fail("Chunk chain length");
    if (rows != live) model_fail("rows differ from the live entities");
}

void check_entities(const EcsModel& model) {
    for (const ModelEntity& entity : model.live) {
        if (entity.handle.record->generation != entity.handle.generation) model_fail("live handle is stale");
        for (const auto& [id, bytes] : entity.written) {
            const void* stored = entity_component(id, entity.handle);
            if (std::memcmp(stored, bytes.data(), bytes.size()) != 0) model_fail("component bytes lost");
        }
    }
    for (const Entity& stale : model.stale) {
        if (stale.record->generation == stale.generation) model_fail("removed handle is still live");
    }
    if (walk_to_current(entity_store.free_stack) != model.released) model_fail("free stack differs");
    if (walk_to_current(removal_queue.current).size() != model.queued.size())
        model_fail("removal queue size");
}

}  // namespace

void model_fail(const char* what) {
    throw ModelMismatch(what);
}

void model_add_archetype(EcsModel& model, Archetype* archetype, const std::set<ComponentId>& ids,
                         int32_t rows_per_chunk) {
    ModelArchetype created{archetype, ids, rows_per_chunk, model_bucket(ids), 1, {}};
    for (ModelSystem& system : model.systems) {
        if (!model_matches(system, ids)) continue;
        created.systems.push_back(system.system);
        system.links.push_back(model.archetypes.size());
    }
    model.archetypes.push_back(created);
}

void model_add_system(EcsModel& model, System* system, size_t include_count,
                      const std::vector<ComponentId>& ids) {
    const auto excludes = ids.begin() + ptrdiff_t(include_count);
    ModelSystem created{system, {ids.begin(), excludes}, {excludes, ids.end()}, {}, {}};
    for (auto id = ids.begin(); id != excludes; ++id) {
        if (model.sizes[*id] != 0) created.data_ids.push_back(*id);
    }
    for (int32_t bucket = 0; bucket < 37; ++bucket) {
        for (size_t a = 0; a < model.archetypes.size(); ++a) {
            ModelArchetype& archetype = model.archetypes[a];
            if (archetype.bucket != bucket || !model_matches(created, archetype.ids)) continue;
            created.links.push_back(a);
            archetype.systems.push_back(system);
        }
    }
    model.systems.push_back(created);
}

void model_add_entity(EcsModel& model, Entity entity, size_t archetype) {
    if (entity.generation != entity.record->generation) model_fail("new handle is not live");
    if (!model.released.empty()) {
        if (entity.record != model.released.back()) model_fail("the record released last was not reused");
        model.released.pop_back();
    }
    for (const ModelEntity& live : model.live) {
        if (live.handle.record == entity.record) model_fail("a live record was handed out again");
    }
    model.live.push_back(ModelEntity{entity, archetype, {}});
    ModelArchetype& owner = model.archetypes[archetype];
    const size_t chunks_needed =
        (model_live_rows(model, archetype) + size_t(owner.chunk_capacity) - 1) / size_t(owner.chunk_capacity);
    owner.chain_length = std::max(owner.chain_length, chunks_needed);
}

void model_write(ModelEntity& entity, ComponentId id, const std::vector<uint8_t>& bytes) {
    auto written = std::find_if(entity.written.begin(), entity.written.end(),
                                [&](const auto& entry) { return entry.first == id; });
    if (written != entity.written.end())
        written->second = bytes;
    else
        entity.written.emplace_back(id, bytes);
}

std::vector<Entity> model_flush(EcsModel& model, int64_t countdown) {
    std::vector<Entity> carried_out;
    for (auto queued = model.queued.rbegin(); queued != model.queued.rend(); ++queued) {
        auto live = std::find_if(model.live.begin(), model.live.end(), [&](const ModelEntity& e) {
            return e.handle.record == queued->record && e.handle.generation == queued->generation;
        });
        if (live == model.live.end()) continue;
        bool pushed = true;
        if (model.released.size() == model.free_stack_slots) {
            if (countdown == 0) {
                pushed = false;
            } else {
                if (countdown > 0) --countdown;
                model.free_stack_slots += 64;
            }
        }
        if (pushed) model.released.push_back(queued->record);
        model.stale.push_back(*queued);
        carried_out.push_back(*queued);
        model.live.erase(live);
    }
    model.queued.clear();
    return carried_out;
}

bool model_matches(const ModelSystem& system, const std::set<ComponentId>& ids) {
    for (ComponentId id : system.include) {
        if (ids.count(id) == 0) return false;
    }
    for (ComponentId id : system.exclude) {
        if (ids.count(id) != 0) return false;
    }
    return true;
}

int32_t model_bucket(const std::set<ComponentId>& ids) {
    std::vector<uint32_t> words(ids.empty() ? 1 : *ids.rbegin() / 32 + 1, 0u);
    for (ComponentId id : ids)
        words[id / 32] |= 1u << (id % 32);
    int64_t sum = 0;
    for (uint32_t word : words)
        sum += int64_t(int32_t(word) % 331);
    return int32_t(((sum % 37) + 37) % 37);
}

uint64_t model_row_size(const EcsModel& model, const std::set<ComponentId>& ids) {
    uint64_t bytes = sizeof(void*);
    for (ComponentId id : ids)
        bytes += model.sizes[id];
    return bytes;
}

uint64_t model_column_offset(const EcsModel& model, const ModelArchetype& archetype, ComponentId id) {
    uint64_t before = sizeof(void*);
    for (ComponentId other : archetype.ids) {
        if (other < id) before += model.sizes[other];
    }
    return uint64_t(archetype.chunk_capacity) * before;
}

size_t model_live_rows(const EcsModel& model, size_t archetype) {
    return size_t(std::count_if(model.live.begin(), model.live.end(),
                                [&](const ModelEntity& entity) { return entity.archetype == archetype; }));
}

size_t model_visited_chunks(const EcsModel& model, size_t archetype) {
    const size_t full =
        model_live_rows(model, archetype) / size_t(model.archetypes[archetype].chunk_capacity);
    return std::min(full + 1, model.archetypes[archetype].chain_length);
}

void model_check_store(const EcsModel& model) {
    check_registry(model);
    if (ecs_ready() != model.ready) model_fail("stores made or lost");
    if (!model.ready) return;
    check_table(model);
    for (const ModelSystem& system : model.systems)
        check_system(model, system);
    std::vector<std::set<EntityRecord*>> live(model.archetypes.size());
    for (const ModelEntity& entity : model.live)
        live[entity.archetype].insert(entity.handle.record);
    for (size_t i = 0; i < model.archetypes.size(); ++i)
        check_archetype(model, i, live[i]);
    check_entities(model);
}

}  // namespace novra
