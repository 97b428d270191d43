// Random sequences of the entity-component store's operations, each checked against a model: component
// registrations (tags, small types and types too large to lay out), archetype_get and system_create with
// registered and unregistered ids, entity creation, component writes (and reads of components an entity
// lacks), removals of live, stale and empty handles, flushes and System runs. Any operation may run with
// its allocations failing from the k-th on; it must then give its empty result and leave the store as it
// was, or succeed as the model says.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>

#include <cstdio>
#include <cstdlib>

#include "ecs/allocation.h"
#include "ecs/store.h"
#include "tests/shared/ecs_model.h"
#include "tests/shared/id_list_calls.h"

namespace novra {
namespace {

struct Visit {
    Chunk* chunk;
    int32_t count;
    std::vector<void*> columns;
};
std::vector<Visit> visits;
size_t visit_columns;

void record_visit(Chunk* chunk, void* const* columns) {
    visits.push_back(Visit{chunk, chunk->count, std::vector<void*>(columns, columns + visit_columns)});
}

constexpr size_t most_types = 72;      // enough for masks of three words
constexpr size_t most_entities = 300;  // keeps each check short

struct Run {
    FuzzedDataProvider& input;
    EcsModel model;
    int64_t injected = -1;  // the allocation countdown the current operation runs under

    uint8_t byte() { return input.ConsumeIntegral<uint8_t>(); }

    // Ids 0 to the registered count: the last one is not registered.
    std::vector<ComponentId> take_ids(size_t count) {
        std::vector<ComponentId> ids;
        for (size_t i = 0; i < count; ++i)
            ids.push_back(ComponentId(byte() % (model.sizes.size() + 1)));
        return ids;
    }

    bool registered(const std::vector<ComponentId>& ids) const {
        return std::all_of(ids.begin(), ids.end(), [&](ComponentId id) { return id < model.sizes.size(); });
    }

    void expect_failure_allowed(bool invalid, const char* what) const {
        if (!invalid && injected < 0) model_fail(what);
    }

    void register_component() {
        if (model.sizes.size() >= most_types) return;
        const uint8_t kind = byte();
        // Tags, small types, and types so large that no Chunk of them can be laid out.
        const uint32_t size = kind % 16 < 4 ? 0 : kind % 16 < 15 ? kind % 16 - 3 : 0x80000000u | kind;
        const bool full = component_registry.count == component_registry.capacity;
        const ComponentId id = component_register(size);
        if (id == invalid_component_id) {
            if (!full || injected < 0) model_fail("component_register failed without needing memory");
            return;
        }
        if (id != model.sizes.size()) model_fail("component ids are not consecutive");
        model.sizes.push_back(size);
    }

    void get_archetype() {
        const int32_t rows = byte() % 6 - 1;
        std::vector<ComponentId> ids = take_ids(byte() % 6);
        const bool valid = model.ready && rows >= 1 && registered(ids);
        const std::set<ComponentId> set(ids.begin(), ids.end());
        auto existing = std::find_if(model.archetypes.begin(), model.archetypes.end(),
                                     [&](const ModelArchetype& a) { return a.ids == set; });
        const bool fits = valid && model_row_size(model, set) <= INT32_MAX &&
                          uint64_t(rows) * model_row_size(model, set) <= UINT32_MAX;
        Archetype* archetype = archetype_get_list(rows, ids);
        if (archetype == nullptr) {
            expect_failure_allowed(!valid || (existing == model.archetypes.end() && !fits),
                                   "archetype_get failed");
            return;
        }
        if (!valid) model_fail("archetype_get accepted a bad request");
        if (existing != model.archetypes.end()) {
            if (archetype != existing->archetype)
                model_fail("archetype_get made a second Archetype of one mask");
            return;
        }
        if (!fits) model_fail("archetype_get laid out a Chunk past 32-bit offsets");
        model_add_archetype(model, archetype, set, rows);
    }

    void create_system() {
        const uint8_t shape = byte();
        // Now and then a long include list of repeated ids, for a System of more than 16 data columns.
        const size_t include_count = shape % 8 == 7 ? 17 + shape / 8 % 4 : shape % 5;
        const size_t exclude_count = shape / 32 % 3;
        std::vector<ComponentId> ids = take_ids(include_count + exclude_count);
        const bool valid = model.ready && registered(ids);
        System* system = system_create_list(record_visit, int32_t(include_count), ids);
        if (system == nullptr) {
            expect_failure_allowed(!valid, "system_create failed");
            return;
        }
        if (!valid) model_fail("system_create accepted a bad request");
        model_add_system(model, system, include_count, ids);
    }

    void create_entity() {
        if (model.live.size() >= most_entities) return;
        const size_t index = byte() % (model.archetypes.size() + 1);
        Archetype* archetype = index < model.archetypes.size() ? model.archetypes[index].archetype : nullptr;
        const Entity entity = entity_create(archetype);
        if (entity.record == nullptr) {
            expect_failure_allowed(archetype == nullptr, "entity_create failed");
            return;
        }
        if (archetype == nullptr) model_fail("entity_create without an Archetype");
        model_add_entity(model, entity, index);
    }

    void write_component() {
        if (model.live.empty()) return;
        ModelEntity& entity = model.live[byte() % model.live.size()];
        const ComponentId id = take_ids(1)[0];
        const bool has_column = id < model.sizes.size() && model.sizes[id] != 0 &&
                                model.archetypes[entity.archetype].ids.count(id) != 0;
        void* stored = nullptr;
        try {
            stored = entity_component(id, entity.handle);
        } catch (const std::out_of_range& error) {
            if (has_column) model_fail("entity_component threw for a component the entity has");
            if (std::string(error.what()) != "invalid unordered_map<K, T> key")
                model_fail("wrong error text");
            return;
        }
        if (!has_column) model_fail("entity_component gave storage for a component the entity lacks");
        std::vector<uint8_t> bytes(model.sizes[id]);
        for (uint8_t& value : bytes)
            value = byte();
        std::memcpy(stored, bytes.data(), bytes.size());
        model_write(entity, id, bytes);
    }

    void remove_entity() {
        const uint8_t kind = byte();
        Entity entity{};
        if (kind % 4 < 2 && !model.live.empty())
            entity = model.live[kind / 4 % model.live.size()].handle;
        else if (kind % 4 == 2 && !model.stale.empty())
            entity = model.stale[kind / 4 % model.stale.size()];
        entity_remove(entity);
        if (entity.record == nullptr || !model.ready) return;
        // Whether the queue took it shows in its length; it may refuse only when an allocation failed.
        std::vector<Entity> queue;
        for (const Block<Entity, 64>* block = removal_queue.current; block != nullptr;
             block = block->previous)
            queue.insert(queue.begin(), block->items, block->items + block->count);
        if (queue.size() == model.queued.size() + 1) {
            model.queued.push_back(entity);
        } else if (queue.size() != model.queued.size() || injected < 0) {
            model_fail("entity_remove lost or refused a handle");
        }
    }

    void flush_removals() {
        model_flush(model, injected);
        entity_flush_removals();
    }

    void run_system() {
        const size_t index = byte() % (model.systems.size() + 1);
        const ModelSystem* system = index < model.systems.size() ? &model.systems[index] : nullptr;
        visits.clear();
        visit_columns = system != nullptr ? system->data_ids.size() : 0;
        system_run(system != nullptr ? system->system : nullptr);
        std::unordered_map<const EntityRecord*, const ModelEntity*> entities;
        for (const ModelEntity& entity : model.live)
            entities[entity.handle.record] = &entity;
        size_t visit = 0;
        if (system != nullptr) {
            for (size_t a : system->links) {
                const ModelArchetype& archetype = model.archetypes[a];
                Chunk* chunk = archetype.archetype->first_chunk;
                for (size_t i = 0; i < model_visited_chunks(model, a); ++i, chunk = chunk->next, ++visit) {
                    if (visit >= visits.size() || visits[visit].chunk != chunk)
                        model_fail("System run skipped a Chunk");
                    check_visit(*system, archetype, visits[visit], entities);
                }
            }
        }
        if (visit != visits.size()) model_fail("System run visited Chunks it should not");
    }

    // The columns handed to the callback lead to the bytes written for each row's entity.
    void check_visit(const ModelSystem& system, const ModelArchetype& archetype, const Visit& visit,
                     const std::unordered_map<const EntityRecord*, const ModelEntity*>& entities) const {
        if (visit.count != visit.chunk->count) model_fail("callback saw another row count");
        for (size_t k = 0; k < system.data_ids.size(); ++k) {
            const ComponentId id = system.data_ids[k];
            if (static_cast<std::byte*>(visit.columns[k]) !=
                chunk_data(visit.chunk) + model_column_offset(model, archetype, id))
                model_fail("column pointer");
            for (int32_t row = 0; row < visit.count; ++row) {
                EntityRecord* record = reinterpret_cast<EntityRecord**>(chunk_data(visit.chunk))[row];
                auto entity = entities.find(record);
                if (entity == entities.end()) model_fail("a visited row holds no live entity");
                for (const auto& [written_id, bytes] : entity->second->written) {
                    if (written_id != id) continue;
                    const auto* cell =
                        static_cast<const uint8_t*>(visit.columns[k]) + size_t(row) * bytes.size();
                    if (std::memcmp(cell, bytes.data(), bytes.size()) != 0) model_fail("column row bytes");
                }
            }
        }
    }
};

void run_operations(FuzzedDataProvider& input) {
    Run run{input, {}};
    // Now and then the stores themselves cannot all be made; then nothing may exist and everything fails.
    const uint8_t start = input.ConsumeIntegral<uint8_t>();
    ecs_fail_allocation_after = start < 48 ? start : -1;
    ecs_init();
    run.model.ready = ecs_ready();
    if (start >= 48 && !run.model.ready) model_fail("ecs_init failed without a failed allocation");
    ecs_fail_allocation_after = -1;
    model_check_store(run.model);

    int64_t pending = -1;
    while (input.remaining_bytes() > 0) {
        const uint8_t operation = input.ConsumeIntegral<uint8_t>() % 10;
        if (operation == 9) {
            pending = input.ConsumeIntegral<uint8_t>() % 16;
            continue;
        }
        run.injected = ecs_fail_allocation_after = pending;
        pending = -1;
        switch (operation) {
            case 0:
                run.register_component();
                break;
            case 1:
                run.get_archetype();
                break;
            case 2:
                run.create_system();
                break;
            case 3:
            case 4:
                run.create_entity();
                break;
            case 5:
                run.write_component();
                break;
            case 6:
                run.remove_entity();
                break;
            case 7:
                run.flush_removals();
                break;
            default:
                run.run_system();
                break;
        }
        ecs_fail_allocation_after = -1;
        model_check_store(run.model);
    }
}

}  // namespace
}  // namespace novra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace novra;
    FuzzedDataProvider input(data, size);
    try {
        run_operations(input);
    } catch (const ModelMismatch& mismatch) {
        // Aborting keeps the input for libFuzzer.
        std::fprintf(stderr, "entity-component store differs from its model: %s\n", mismatch.what());
        std::abort();
    }
    return 0;
}
