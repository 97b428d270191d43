// The game's world: the component records of its solid boxes, its colours and the player box's size,
// the System callback that enters and draws the boxes, and the player's stop-and-slide movement.
#pragma once

#include <cstdint>

namespace novra {

struct Chunk;

// Component records of the game's solid boxes.
struct Position {
    int32_t x, y;  // bottom-left corner, framebuffer coordinates
};
struct Size {
    int32_t width, height;
};

constexpr uint32_t background_colour = 0x00FF0000;  // red
constexpr uint32_t solid_colour = 0xFFFFFF00;       // yellow
constexpr uint32_t player_colour = 0x000000FF;      // blue
constexpr int32_t player_size = 12;

// The game's System callback: enters every solid box of the chunk into the collision grid and draws it.
// columns[0] is the chunk's Position column, columns[1] its Size column.
void draw_solid_boxes(Chunk* chunk, void* const* columns);

// Moves the player by (dx, dy), each -1, 0 or 1, against the solid boxes entered into the collision
// grid this frame: the earliest contact (the first of equal times) stops the move at a face, keeping
// the component along it (the slide) and the box's own velocity across it; a corner stops it dead.
// Coordinates saturate at the 32-bit edges.
void stop_and_slide(int32_t dx, int32_t dy);

}  // namespace novra
