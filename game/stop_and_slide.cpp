// The player's collision response: a move that meets a solid box stops at its face and slides along it.
#include <algorithm>
#include <cstdint>

#include "collision/collision.h"
#include "game/game.h"
#include "game/world.h"

namespace novra {

namespace {

// Coordinates saturate at the 32-bit edges instead of wrapping: a player held against the edge of the
// number range, or a box placed there, must not overflow.
int32_t saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Earliest usable contact of one sweep: a time from 0 up to but not including 1; among equal times the
// first one returned stays. Products are 64-bit so no coordinate can overflow them.
bool sweep_best_contact(SweepQuery& query, int32_t dx, int32_t dy, HitRecord& best) {
    bool found = false;
    int64_t best_num = 1, best_den = 1;
    for (HitRecord hit = sweep_begin(query, game.player_x, game.player_y, player_size, player_size, dx, dy);
         hit.contact != ContactKind::none; hit = sweep_next(query)) {
        const int64_t num = hit.time_num, den = hit.time_den;
        if (num * den >= 0 && den * best_num > num * best_den) {
            best = hit;
            best_num = num;
            best_den = den;
            found = true;
        }
    }
    return found;
}

}  // namespace

void stop_and_slide(int32_t dx, int32_t dy) {
    SweepQuery query;
    HitRecord best;
    while (sweep_best_contact(query, dx, dy, best)) {
        const ColliderBox& b = *best.box;
        switch (best.contact) {
            case ContactKind::x_face: {
                const int64_t approach = int64_t{dx} - b.dx;
                dx = b.dx;
                game.player_x = saturate(approach > 0 ? int64_t{b.x} - player_size : int64_t{b.x} + b.w);
                break;
            }
            case ContactKind::y_face: {
                const int64_t approach = int64_t{dy} - b.dy;
                dy = b.dy;
                game.player_y = saturate(approach > 0 ? int64_t{b.y} - player_size : int64_t{b.y} + b.h);
                break;
            }
            default:  // corner: stop dead where the corners meet
                dx = 0;
                dy = 0;
                break;
        }
    }
    game.player_x = saturate(int64_t{game.player_x} + dx);
    game.player_y = saturate(int64_t{game.player_y} + dy);
}

}  // namespace novra
