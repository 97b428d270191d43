#include <cstdint>

#include "collision/collision.h"
#include "ecs/ecs.h"
#include "game/game.h"
#include "game/world.h"
#include "render/framebuffer.h"

namespace novra {

void game_frame() {
    int32_t dx = 0, dy = 0;
    // Later keys override earlier ones: LEFT with RIGHT moves right, UP with DOWN moves down.
    if (game.keys->keys[vk_left] != 0) dx = -1;
    if (game.keys->keys[vk_up] != 0) dy = 1;
    if (game.keys->keys[vk_right] != 0) dx = 1;
    if (game.keys->keys[vk_down] != 0) dy = -1;

    clear_framebuffer(background_colour);
    if (game.system != nullptr) system_run(game.system);
    // Drawn before the move, so the picture shows where the previous frame left the player.
    fill_rect(game.player_x, game.player_y, player_size, player_size, player_colour);

    stop_and_slide(dx, dy);

    entity_flush_removals();
    grid_reset();
}

}  // namespace novra
