#include <cstdint>

#include "collision/collision.h"
#include "ecs/ecs.h"
#include "game/demo.h"
#include "game/game.h"
#include "game/world.h"
#include "render/framebuffer.h"

namespace novra {

uint8_t arrows_held(const KeyTable& keys) {
    uint8_t arrows = 0;
    if (keys.keys[vk_left] != 0) arrows |= arrow_left;
    if (keys.keys[vk_up] != 0) arrows |= arrow_up;
    if (keys.keys[vk_right] != 0) arrows |= arrow_right;
    if (keys.keys[vk_down] != 0) arrows |= arrow_down;
    return arrows;
}

void game_pass(uint8_t arrows) {
    int32_t dx = 0, dy = 0;
    // Later keys override earlier ones: LEFT with RIGHT moves right, UP with DOWN moves down.
    if ((arrows & arrow_left) != 0) dx = -1;
    if ((arrows & arrow_up) != 0) dy = 1;
    if ((arrows & arrow_right) != 0) dx = 1;
    if ((arrows & arrow_down) != 0) dy = -1;

    clear_framebuffer(background_colour);
    if (game.system != nullptr) system_run(game.system);
    // Drawn before the move, so the picture shows where the previous frame left the player.
    fill_rect(game.player_x, game.player_y, player_size, player_size, player_colour);

    stop_and_slide(dx, dy);

    entity_flush_removals();
    grid_reset();
}

void game_frame() {
    if (demo_play_pass()) return;
    const uint8_t arrows = arrows_held(*game.keys);
    game_pass(arrows);
    demo_record_pass(arrows);
}

}  // namespace novra
