// The Host's record of its last passes, from the counter the pacer reads: how long each pass's
// game_frame and present took and how the pacer ended the pass. Fixed storage, so recording allocates
// nothing.
#pragma once

#include <cstdint>

#include "game/game.h"

namespace novra {

constexpr int32_t frame_history_length = 600;  // passes kept: ten seconds at 60 per second

struct PassRecord {
    int64_t work_ticks;           // counter ticks game_frame took
    int64_t present_ticks;        // counter ticks presenting the picture took
    int64_t pacing_error_scaled;  // how far the pass's end lay from its due time, ticks x 60
    bool late;                    // the pacer found the pass late
    bool reanchored;              // and re-anchored its grid
};

struct FrameHistory {
    PassRecord passes[frame_history_length];  // a ring: `next` is the oldest once it is full
    int32_t next;                             // slot the next pass goes to
    int32_t count;                            // passes recorded, up to frame_history_length
};

extern FrameHistory frame_history;

// Records one finished pass: the time its game_frame and its present took and what the pacer's
// frame_wait just did.
void frame_history_add(int64_t work_ticks, int64_t present_ticks);

// PlatformTable entry `read_frame_stats`: percentiles and counts over the recorded passes, in
// microseconds of the pacer's counter frequency. Percentiles are nearest-rank; no pass gives all zeros.
void read_frame_stats(FrameStats* stats);

}  // namespace novra
