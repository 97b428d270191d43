// archetype_get and system_create take their ids as varargs; these spread an id list built at run time
// into such a call. Shared by the store's tests and its fuzz target.
#pragma once

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include "ecs/ecs.h"

namespace novra {

constexpr size_t max_listed_ids = 24;

template <size_t N>
Archetype* archetype_get_fixed(int32_t rows_per_chunk, const ComponentId* ids) {
    return [&]<size_t... I>(std::index_sequence<I...>) {
        return archetype_get(rows_per_chunk, int32_t(N), ids[I]...);
    }
    (std::make_index_sequence<N>{});
}

template <size_t N>
System* system_create_fixed(SystemCallback callback, int32_t include_count, const ComponentId* ids) {
    return [&]<size_t... I>(std::index_sequence<I...>) {
        return system_create(callback, include_count, int32_t(N) - include_count, ids[I]...);
    }
    (std::make_index_sequence<N>{});
}

// archetype_get over `ids` (at most max_listed_ids of them).
inline Archetype* archetype_get_list(int32_t rows_per_chunk, const std::vector<ComponentId>& ids) {
    static constexpr auto calls = []<size_t... N>(std::index_sequence<N...>) {
        return std::array{&archetype_get_fixed<N>...};
    }
    (std::make_index_sequence<max_listed_ids + 1>{});
    return calls.at(ids.size())(rows_per_chunk, ids.data());
}

// system_create with the first include_count of `ids` as includes and the rest as excludes.
inline System* system_create_list(SystemCallback callback, int32_t include_count,
                                  const std::vector<ComponentId>& ids) {
    static constexpr auto calls = []<size_t... N>(std::index_sequence<N...>) {
        return std::array{&system_create_fixed<N>...};
    }
    (std::make_index_sequence<max_listed_ids + 1>{});
    return calls.at(ids.size())(callback, include_count, ids.data());
}

}  // namespace novra
