#include "collision/collision.h"
#include "ecs/ecs.h"
#include "game/box_table.h"
#include "game/demo.h"
#include "game/game.h"
#include "game/replies.h"
#include "game/world.h"
#include "render/framebuffer.h"

namespace novra {

Game game;

void game_close() {
    demo_close();
}

void game_reset() {
    game = Game{};
    box_table_reset();
    command_replies = CommandReplies{};
    demo_reset();
}

void game_setup(PlatformTable& table) {
    game.keys = &key_table;
    game.platform = table;
    table.set_framebuffer_size(framebuffer_width, framebuffer_height);

    // Every store gets its first empty block before the log line and before the world is built.
    ecs_init();
    collision_init();

    table.log("NOVRA game debug mode");

    const ComponentId position = component_register(sizeof(Position));
    const ComponentId size = component_register(sizeof(Size));
    const ComponentId solid = component_register(0);

    game.archetype = archetype_get(16, 3, position, size, solid);
    game.system = system_create(draw_solid_boxes, 3, 0, position, size, solid);
    // The commands' numbers start again with the world; the first box is box 1.
    box_table_init(position, size);

    // A store that could not be made is never used: without its Archetype the world stays empty.
    if (game.archetype == nullptr) return;
    const Entity box = entity_create(game.archetype);
    if (box.record == nullptr) return;
    *static_cast<Position*>(entity_component(position, box)) = Position{30, 30};
    *static_cast<Size*>(entity_component(size, box)) = Size{30, 30};
    box_table_add(box);
}

void draw_solid_boxes(Chunk* chunk, void* const* columns) {
    const auto* positions = static_cast<const Position*>(columns[0]);
    const auto* sizes = static_cast<const Size*>(columns[1]);
    for (int32_t i = 0; i < chunk->count; ++i) {
        // Entered into the grid before it is drawn; both while the System runs, before the player moves.
        grid_add_box(positions[i].x, positions[i].y, sizes[i].width, sizes[i].height, 0, 0);
        fill_rect(positions[i].x, positions[i].y, sizes[i].width, sizes[i].height, solid_colour);
    }
}

}  // namespace novra
