#include "host/host.h"

namespace novra {

FramePacer frame_pacer;

int64_t host_clock_us() {
    LARGE_INTEGER frequency{}, count{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    if (frequency.QuadPart <= 0) return 0;
    // Whole seconds and the rest apart, so no product leaves 64 bits.
    const int64_t f = frequency.QuadPart, c = count.QuadPart;
    return c / f * 1000000 + int64_t(double(c % f) * 1e6 / double(f));
}

int64_t counter_read() {
    LARGE_INTEGER reading;
    reading.QuadPart = 0;
    QueryPerformanceCounter(&reading);
    return reading.QuadPart;
}

namespace {

// 60 x ticks with two's-complement wrap-around: the product is taken in unsigned 64-bit, where wrapping
// is defined, and read back as signed.
int64_t scaled(int64_t ticks) {
    return int64_t(uint64_t(frames_per_second) * uint64_t(ticks));
}

// later - earlier for two scaled times: the wrapped difference, which stays right when the scaled clock
// passes 2^63 between the two (a signed comparison of the times themselves would then see a due time of
// long ago, or one never reached, and spin for ever).
int64_t scaled_difference(int64_t later, int64_t earlier) {
    return int64_t(uint64_t(later) - uint64_t(earlier));
}

void pacer_anchor() {
    frame_pacer.reference_count = counter_read();
    frame_pacer.reference_scaled = scaled(frame_pacer.reference_count);
}

}  // namespace

bool pacer_start() {
    LARGE_INTEGER frequency;
    frequency.QuadPart = 0;
    QueryPerformanceFrequency(&frequency);
    frame_pacer.counter_frequency = frequency.QuadPart;
    if (frame_pacer.counter_frequency <= 0 || frame_pacer.counter_frequency > pacer_frequency_limit)
        return false;
    pacer_anchor();
    return true;
}

namespace {

// Counts the pass that just ended on the grid. A late pass (its next due time reached or passed) counts
// toward the late threshold and, past it, re-anchors the grid; it returns false. An early pass returns
// true with the next due time and the reading, both scaled, for the wait.
bool pass_count(int64_t& due, int64_t& now_scaled) {
    const uint64_t frame = ++frame_pacer.frames_since_reference;
    due = int64_t(frame * uint64_t(frame_pacer.counter_frequency) + uint64_t(frame_pacer.reference_scaled));
    now_scaled = scaled(counter_read());

    // Equality counts as late: the pass has used up its whole frame, so nothing is left to wait for.
    frame_pacer.last_late = scaled_difference(due, now_scaled) <= 0;
    frame_pacer.last_reanchored = false;
    if (!frame_pacer.last_late) return true;
    // Held at its largest value rather than overflowing; past the threshold only "more than 5" counts.
    if (frame_pacer.late_frames < INT32_MAX) ++frame_pacer.late_frames;
    // The count is never reset, so once the threshold is passed every late pass re-anchors at once
    // instead of running back to back to catch up with the old grid.
    if (frame_pacer.late_frames > late_threshold) {
        frame_pacer.frames_since_reference = 0;
        pacer_anchor();
        frame_pacer.last_reanchored = true;
    }
    return false;
}

}  // namespace

void frame_wait() {
    int64_t due = 0, now_scaled = 0;
    if (!pass_count(due, now_scaled)) {
        frame_pacer.last_error_scaled = scaled_difference(now_scaled, due);
        return;
    }
    const int64_t ahead_times_1000 = int64_t(uint64_t(scaled_difference(due, now_scaled)) * 1000u);
    const int64_t milliseconds64 = ahead_times_1000 / scaled(frame_pacer.counter_frequency);
    const int32_t milliseconds = int32_t(uint32_t(uint64_t(milliseconds64)));
    // Sleep covers whole milliseconds only; the spin on the counter takes the rest to the exact tick.
    if (milliseconds > 0) Sleep(DWORD(milliseconds));
    int64_t end_scaled = now_scaled;
    do {
        end_scaled = scaled(counter_read());
    } while (scaled_difference(due, end_scaled) > 0);
    frame_pacer.last_error_scaled = scaled_difference(end_scaled, due);
}

// The pacing error stays the one frame_due recorded: where nothing waits, a pass is measured from the
// grid slot it began in, not from the next one, which a late pass has already passed.
void frame_end() {
    int64_t due = 0, now_scaled = 0;
    pass_count(due, now_scaled);
}

bool frame_due() {
    // The next pass may begin where the last counted one's frame ends, frames_since_reference periods
    // after the reference. One period is counter_frequency in scaled ticks.
    const int64_t due = int64_t(frame_pacer.frames_since_reference * uint64_t(frame_pacer.counter_frequency) +
                                uint64_t(frame_pacer.reference_scaled));
    const int64_t now_scaled = scaled(counter_read());
    if (scaled_difference(due, now_scaled) > frame_pacer.counter_frequency / 2) return false;
    // Where nothing waits, the pacing error is how far from its due time the pass begins, either side.
    const int64_t error = scaled_difference(now_scaled, due);
    frame_pacer.last_error_scaled = error < 0 ? int64_t(0 - uint64_t(error)) : error;
    return true;
}

}  // namespace novra
