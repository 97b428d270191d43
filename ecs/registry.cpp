// The component registry and the masks built from it.
#include <algorithm>
#include <bit>
#include <cstdlib>

#include "ecs/allocation.h"
#include "ecs/mask.h"

namespace novra {

ComponentRegistry component_registry;

namespace {

constexpr uint32_t registry_growth = 16;
// Beyond this the next capacity would wrap, or its byte size would not fit size_t; a registry that large
// could also hand out invalid_component_id as an id.
constexpr uint64_t registry_capacity_limit =
    std::min<uint64_t>(UINT32_MAX, SIZE_MAX / sizeof(uint32_t)) - registry_growth;

}  // namespace

ComponentId component_register(uint32_t size) {
    ComponentRegistry& registry = component_registry;
    if (registry.count == registry.capacity) {
        if (registry.capacity > registry_capacity_limit) return invalid_component_id;
        uint32_t capacity = registry.capacity + registry_growth;
        auto* sizes = static_cast<uint32_t*>(ecs_malloc(size_t{capacity} * sizeof(uint32_t)));
        if (sizes == nullptr) return invalid_component_id;
        std::copy_n(registry.sizes, registry.count, sizes);
        std::free(registry.sizes);
        registry.sizes = sizes;
        registry.capacity = capacity;
    }
    ComponentId id = registry.count;
    registry.sizes[id] = size;
    ++registry.count;
    return id;
}

int32_t mask_word_count() {
    return static_cast<int32_t>((component_registry.count >> 5) + 1);
}

ComponentMask mask_build(int32_t id_count, std::va_list* ids) {
    ComponentMask mask{nullptr, mask_word_count(), 0};
    if (id_count < 0) return mask;
    auto* words = static_cast<uint32_t*>(ecs_malloc(size_t(mask.word_count) * sizeof(uint32_t)));
    if (words == nullptr) return mask;
    std::fill_n(words, mask.word_count, 0u);
    for (int32_t i = 0; i < id_count; ++i) {
        ComponentId id = va_arg(*ids, ComponentId);
        if (id >= component_registry.count) {
            std::free(words);
            return mask;
        }
        words[id >> 5] |= 1u << (id & 31);
    }
    for (int32_t w = 0; w < mask.word_count; ++w) {
        for (uint32_t bits = words[w]; bits != 0; bits &= bits - 1) {
            ComponentId id = uint32_t(w) * 32 + uint32_t(std::countr_zero(bits));
            if (component_registry.sizes[id] != 0) ++mask.data_count;
        }
    }
    mask.words = words;
    return mask;
}

bool mask_equal(const uint32_t* a, int32_t a_words, const uint32_t* b, int32_t b_words) {
    for (int32_t i = 0; i < std::max(a_words, b_words); ++i) {
        if (mask_word(a, a_words, i) != mask_word(b, b_words, i)) return false;
    }
    return true;
}

int32_t mask_bucket(const uint32_t* mask, int32_t mask_words) {
    // Words are read as signed, so a word holding id 31, 63, ... gives a negative remainder. A sum that
    // ends up negative is folded into range instead of indexing before the table; every other mask keeps
    // the plain rule. The sum is kept wide so that no number of words can overflow it.
    int64_t sum = 0;
    for (int32_t i = 0; i < mask_words; ++i)
        sum += static_cast<int32_t>(mask[i]) % 331;
    auto bucket = static_cast<int32_t>(sum % archetype_bucket_count);
    return bucket < 0 ? bucket + archetype_bucket_count : bucket;
}

}  // namespace novra
