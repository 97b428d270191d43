// The Game: the world set up at start and the per-frame update that draws the picture and moves the
// player box. Portable: it reaches the Host only through the PlatformTable and the KeyTable.
#pragma once

#include <cstdint>

#include "game/key_table.h"

namespace novra {

struct Chunk;
struct Archetype;
struct System;

// The running program's own measurements of its last passes, as the Host hands them to the Game.
struct FrameStats {
    int32_t passes;                    // passes measured, the newest up to 600
    int64_t work_p50_us, work_p99_us;  // time of one pass's game_frame, in microseconds
    int64_t work_max_us;
    int64_t pacing_error_p99_us;             // how far a pass's end lay from its due time
    int32_t late_passes, reanchored_passes;  // passes the pacer found late, and of those re-anchored
    // time of one pass's present, from the blit until the platform has handed the picture on
    int64_t present_p50_us, present_p99_us, present_max_us;
};

// The Host operations handed to the Game, in this order. The last two may be null (no measurements,
// nothing to end); the Game then says so instead of calling them.
struct PlatformTable {
    void (*set_framebuffer_size)(int32_t width, int32_t height);
    void (*present)(int32_t x, int32_t y, int32_t width, int32_t height, const uint32_t* pixels);
    void (*log)(const char* line);  // one zero-terminated UTF-8 line to the debug console
    void (*read_frame_stats)(FrameStats* stats) = nullptr;  // fills in the figures of the last passes
    void (*quit)() = nullptr;                               // ends the run as closing the window does
};

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

// What game_setup keeps: the Host's KeyTable, the `present` entry the Host's presentation calls, a
// copy of the whole table for the commands, and the game's Archetype and System.
extern KeyTable* game_keys;
extern void (*game_present)(int32_t x, int32_t y, int32_t width, int32_t height, const uint32_t* pixels);
extern PlatformTable game_platform;
extern Archetype* game_archetype;
extern System* game_system;

// Bottom-left corner of the player box; (60, 60) when the program starts.
extern int32_t player_x;
extern int32_t player_y;

// Connects the Game to the Host, creates every store, writes one log line and builds the world: one
// solid 30 x 30 box at (30, 30), box 1 of the commands. Called once by host_main before the first frame.
void game_setup(PlatformTable& table);

// One frame: reads the arrow keys, redraws the picture, moves the player with stop-and-slide collision,
// carries out deferred removals and empties the per-frame collision stores.
void game_frame();

// Moves the player by (dx, dy), each -1, 0 or 1, against the solid boxes entered into the collision
// grid this frame: the earliest contact (the first of equal times) stops the move at a face, keeping
// the component along it (the slide) and the box's own velocity across it; a corner stops it dead.
// Coordinates saturate at the 32-bit edges.
void stop_and_slide(int32_t dx, int32_t dy);

// Puts every record the Game keeps back as a new process has it: nothing connected, player at (60, 60).
// The stores game_setup makes are not freed (they live to the end of the program).
void game_reset();

// The game's System callback: enters every solid box of the chunk into the collision grid and draws it.
// columns[0] is the chunk's Position column, columns[1] its Size column.
void draw_solid_boxes(Chunk* chunk, void* const* columns);

}  // namespace novra
