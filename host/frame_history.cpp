#include "host/frame_history.h"

#include <algorithm>
#include <cmath>

#include "host/host.h"

namespace novra {

FrameHistory frame_history;

namespace {

// Where the percentiles are worked out, so reading the statistics allocates nothing either.
int64_t sorted_scratch[frame_history_length];

// The value at nearest rank ceil(percent / 100 x count) of the first `count` scratch values (count > 0).
int64_t percentile(int32_t count, int32_t percent) {
    const int32_t rank = std::max<int32_t>(1, (count * percent + 99) / 100);
    std::nth_element(sorted_scratch, sorted_scratch + rank - 1, sorted_scratch + count);
    return sorted_scratch[rank - 1];
}

// ticks / (ticks_per_second / 1e6), rounded; worked in double, as 64-bit products of a tick count and
// a million could overflow for a fast counter.
int64_t microseconds(int64_t ticks, int64_t ticks_per_second) {
    if (ticks_per_second <= 0) return 0;
    const double us = double(ticks) * 1e6 / double(ticks_per_second);
    return int64_t(std::llround(std::clamp(us, -9e18, 9e18)));
}

}  // namespace

void frame_history_add(int64_t work_ticks, int64_t present_ticks) {
    PassRecord& record = frame_history.passes[frame_history.next];
    record.work_ticks = work_ticks;
    record.present_ticks = present_ticks;
    record.pacing_error_scaled = frame_pacer.last_error_scaled;
    record.late = frame_pacer.last_late;
    record.reanchored = frame_pacer.last_reanchored;
    frame_history.next = (frame_history.next + 1) % frame_history_length;
    frame_history.count = std::min(frame_history.count + 1, frame_history_length);
}

void read_frame_stats(FrameStats* stats) {
    *stats = FrameStats{};
    const int32_t count = frame_history.count;
    if (count <= 0) return;
    // Slots 0 to count - 1 hold the recorded passes whether or not the ring has wrapped.
    const int64_t frequency = frame_pacer.counter_frequency;
    stats->passes = count;
    for (int32_t i = 0; i < count; ++i) {
        const PassRecord& record = frame_history.passes[i];
        sorted_scratch[i] = record.work_ticks;
        stats->late_passes += record.late ? 1 : 0;
        stats->reanchored_passes += record.reanchored ? 1 : 0;
    }
    stats->work_p50_us = microseconds(percentile(count, 50), frequency);
    stats->work_p99_us = microseconds(percentile(count, 99), frequency);
    stats->work_max_us = microseconds(*std::max_element(sorted_scratch, sorted_scratch + count), frequency);
    for (int32_t i = 0; i < count; ++i)
        sorted_scratch[i] = frame_history.passes[i].present_ticks;
    stats->present_p50_us = microseconds(percentile(count, 50), frequency);
    stats->present_p99_us = microseconds(percentile(count, 99), frequency);
    stats->present_max_us =
        microseconds(*std::max_element(sorted_scratch, sorted_scratch + count), frequency);
    for (int32_t i = 0; i < count; ++i)
        sorted_scratch[i] = std::max<int64_t>(frame_history.passes[i].pacing_error_scaled, 0);
    // Scaled ticks are 60 per tick; 60 x frequency fits, as the pacer accepts no larger frequency.
    stats->pacing_error_p99_us = microseconds(percentile(count, 99), 60 * frequency);
}

}  // namespace novra
