// Spawning: boxes of random sizes at free places in the picture, the same for the same seed and world.
#pragma once

#include <cstdint>

namespace novra {

constexpr int32_t spawn_count_limit = 100000;  // most boxes one spawn asks for
constexpr int32_t spawn_size_min = 4, spawn_size_max = 16;
constexpr int32_t spawn_failures_before_full = 1024;  // tries in a row that find no room: picture full

struct Spawned {
    int32_t placed;       // boxes made, numbered in order
    const char* stopped;  // why fewer than asked were made ("the picture is full"...); null when none
};

// Makes up to `wanted` (1 to spawn_count_limit) boxes of spawn_size_min to spawn_size_max on a side,
// each wholly in the picture and overlapping neither the player nor any box, drawn from splitmix64
// seeded with `seed`. Stops early after spawn_failures_before_full tries in a row find no room, or when
// box_create fails.
Spawned spawn_boxes(int32_t wanted, int32_t seed);

}  // namespace novra
