#include "game/spawn.h"

#include <algorithm>
#include <cstring>

#include "game/box_table.h"
#include "game/game.h"
#include "render/framebuffer.h"

namespace novra {
namespace {

constexpr int32_t row_words = framebuffer_width / 64;
// Which pixels of the picture are taken while a spawn places boxes: bit x % 64 of word x / 64 of a row
// is pixel column x. Marked afresh from the world at each spawn.
uint64_t occupied[framebuffer_height][row_words];

// The bits of columns [x0, x1) that fall in word `word` of a row.
uint64_t span_bits(int32_t word, int64_t x0, int64_t x1) {
    const int64_t low = std::max<int64_t>(x0 - word * 64, 0);
    const int64_t high = std::min<int64_t>(x1 - word * 64, 64);
    if (low >= high) return 0;
    const uint64_t upto_high = high == 64 ? ~uint64_t{0} : (uint64_t{1} << high) - 1;
    return upto_high & ~((uint64_t{1} << low) - 1);
}

// Marks the part of (x, y, w, h) inside the picture as taken (taken = true) or tests whether any of it is.
bool occupancy(int64_t x, int64_t y, int64_t w, int64_t h, bool take) {
    const int64_t top = std::min<int64_t>(y + h, framebuffer_height);
    for (int64_t row = std::max<int64_t>(y, 0); row < top; ++row) {
        for (int32_t word = 0; word < row_words; ++word) {
            const uint64_t bits = span_bits(word, x, x + w);
            if (take)
                occupied[row][word] |= bits;
            else if ((occupied[row][word] & bits) != 0)
                return true;
        }
    }
    return false;
}

// splitmix64: small, fast and fully determined by its seed.
struct Random {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // A number from 0 to n - 1 (n >= 1), from the top 32 bits.
    int32_t below(int32_t n) { return int32_t(((next() >> 32) * uint64_t(n)) >> 32); }
};

}  // namespace

Spawned spawn_boxes(int32_t wanted, int32_t seed) {
    std::memset(occupied, 0, sizeof occupied);
    occupancy(game.player_x, game.player_y, player_size, player_size, true);
    box_table_each([](const BoxEntry& entry) {
        const BoxView box = box_view(entry);
        occupancy(box.position.x, box.position.y, box.size.width, box.size.height, true);
        return true;
    });

    Random random{uint64_t(int64_t{seed})};
    Spawned spawned{0, nullptr};
    int32_t failures = 0;
    while (spawned.placed < wanted) {
        if (failures == spawn_failures_before_full) {
            spawned.stopped = "the picture is full";
            break;
        }
        const int32_t w = spawn_size_min + random.below(spawn_size_max - spawn_size_min + 1);
        const int32_t h = spawn_size_min + random.below(spawn_size_max - spawn_size_min + 1);
        const int32_t x = random.below(framebuffer_width - w + 1);
        const int32_t y = random.below(framebuffer_height - h + 1);
        if (occupancy(x, y, w, h, false)) {
            ++failures;
            continue;
        }
        failures = 0;
        int32_t number = 0;
        const BoxMade made = box_create(x, y, w, h, number);
        if (made != BoxMade::box) {
            spawned.stopped = made == BoxMade::no_numbers ? "no box numbers left" : "out of memory";
            break;
        }
        occupancy(x, y, w, h, true);
        ++spawned.placed;
    }
    return spawned;
}

}  // namespace novra
