// The Game as the Host sees it: the operations the Host hands it, the one record of its state, and the
// three calls that set it up, run a frame and put it back. Portable: it reaches the Host only through
// the PlatformTable and the KeyTable.
#pragma once

#include <cstdint>

#include "game/key_table.h"

namespace novra {

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

// What a file operation of the Host answers.
struct FileReply {
    bool ok;
    int64_t size;      // file_read: the file's size in bytes; above the buffer's capacity nothing is read
    char reason[160];  // when not ok: the system's reason, UTF-8 ("No space left on device")
};

// The Host operations handed to the Game, in this order. The entries after `log` may be null (no
// measurements, nothing to end, no files); the Game then says so instead of calling them.
struct PlatformTable {
    void (*set_framebuffer_size)(int32_t width, int32_t height);
    void (*present)(int32_t x, int32_t y, int32_t width, int32_t height, const uint32_t* pixels);
    void (*log)(const char* line);  // one zero-terminated UTF-8 line to the debug console
    void (*read_frame_stats)(FrameStats* stats) = nullptr;  // fills in the figures of the last passes
    void (*quit)() = nullptr;                               // ends the run as closing the window does
    // Reads the file at `path` (UTF-8; relative to the working folder, or absolute) into `buffer` when
    // it holds at most `capacity` bytes; a larger file is not read, only its size given.
    void (*file_read)(const char* path, char* buffer, int64_t capacity, FileReply* reply) = nullptr;
    // Replaces the file at `path` with `size` bytes so that, whenever the run is cut off, the path holds
    // the old file or the new one whole: a temporary file in the same folder is written, flushed to
    // the disk and renamed over it. On failure the temporary file is removed and the old one is as it was.
    void (*file_replace)(const char* path, const char* bytes, int64_t size, FileReply* reply) = nullptr;
    // Microseconds on a steady clock from any start, for timing a demo played as fast as it goes.
    int64_t (*clock_us)() = nullptr;
};

// Where the player box starts, and where `reset` puts it back.
constexpr int32_t player_start_x = 60, player_start_y = 60;

// Everything the Game keeps between frames but the stores game_setup makes (the entity-component
// store, the collision grid, the box table) and the picture.
struct Game {
    KeyTable* keys;                     // the Host's KeyTable, read each frame; null before game_setup
    PlatformTable platform;             // the Host's operations, as game_setup was given them
    Archetype* archetype;               // the solid boxes' Archetype; null when the store could not make it
    System* system;                     // the System that enters and draws them; null likewise
    int32_t player_x = player_start_x;  // bottom-left corner of the player box
    int32_t player_y = player_start_y;
};
extern Game game;

// Connects the Game to the Host, creates every store, writes one log line and builds the world: one
// solid 30 x 30 box at (30, 30), box 1 of the commands. Called once by host_main before the first frame.
void game_setup(PlatformTable& table);

// One frame: reads the arrow keys, redraws the picture, moves the player with stop-and-slide collision,
// carries out deferred removals and empties the per-frame collision stores. While a demo records, the
// pass is recorded; while one plays, the pass is the demo's.
void game_frame();

// The arrow keys held in `keys`, as the arrow_* bits of a demo.
uint8_t arrows_held(const KeyTable& keys);

// game_frame's work with the arrow keys given: the same pass whether they are held or played back.
void game_pass(uint8_t arrows);

// The run ends: what the user is making and has not kept yet (a demo being recorded) is written. Called
// by host_close, before the console goes.
void game_close();

// Puts the Game back as a new process has it: `game` cleared (nothing connected, the player at its
// start) and the box table empty with its numbers from 1. The stores game_setup makes are not freed
// (they live to the end of the program); its next call empties and reuses them.
void game_reset();

}  // namespace novra
