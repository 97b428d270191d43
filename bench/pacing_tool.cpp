// novra_pacing: runs the real FramePacer on the real clock (the desktop driver's performance counter and
// Sleep) for a number of passes with the Game's own frame as the load of each pass, then a plain
// sleep-only loop (Sleep of the whole milliseconds left to the same grid of due times, no spin) with the
// same load, and prints for each the pass intervals, their deviation from 1/60 s, the late passes and
// the CPU time used.
//
// On a shared or virtual machine the program is now and then not running at all for milliseconds or
// more. A pass caught by such a stall ends behind its due time whatever the loop does, the pass after
// it finds itself late, and the catch-up passes run back to back (with the pacer by design). So the
// deviations are given at several ranks over all intervals, and once more at the 99th percentile over
// the intervals away from late passes: those whose own pass, the one before and the one after all
// waited.
//
//   novra_pacing [--passes N]
//
// It opens no window. With no display named in the environment it asks SDL for its dummy video driver,
// so it runs on a machine without one; the clock is the same either way.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <vector>

#include "game/game.h"
#include "host/host.h"
#include "platform/desktop/desktop.h"

namespace novra {
namespace {

int64_t pass_count = 600;

int64_t counter_now() {
    LARGE_INTEGER reading;
    QueryPerformanceCounter(&reading);
    return reading.QuadPart;
}

double cpu_seconds() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return double(used.tv_sec) + double(used.tv_nsec) * 1e-9;
}

struct LoopReport {
    const char* name;
    std::vector<double> intervals_ms;  // between the ends of consecutive passes
    std::vector<bool> late;            // per pass: whether it found its due time passed
    int32_t late_passes;
    double cpu_ms_per_second;  // CPU time used per second of the loop's wall time
};

// Times pass_count runs of load-then-wait; `wait` returns whether the pass was late (its due time had
// passed when it came to wait).
template <typename Wait>
LoopReport loop_measure(const char* name, int64_t frequency, Wait wait) {
    LoopReport report{name, {}, {}, 0, 0};
    const double cpu_start = cpu_seconds();
    const int64_t start = counter_now();
    int64_t previous = start;
    for (int64_t pass = 0; pass < pass_count; ++pass) {
        game_frame();
        report.late.push_back(wait());
        report.late_passes += report.late.back() ? 1 : 0;
        const int64_t now = counter_now();
        report.intervals_ms.push_back(double(now - previous) * 1000.0 / double(frequency));
        previous = now;
    }
    const double wall_seconds = double(previous - start) / double(frequency);
    report.cpu_ms_per_second = (cpu_seconds() - cpu_start) * 1000.0 / wall_seconds;
    return report;
}

// A pass is late when the pacer's late count rises.
LoopReport pacer_loop(int64_t frequency) {
    frame_pacer = {};
    pacer_start();
    int32_t late_before = 0;
    return loop_measure("FramePacer", frequency, [&] {
        frame_wait();
        const bool late = frame_pacer.late_frames != late_before;
        late_before = frame_pacer.late_frames;
        return late;
    });
}

// The same grid of due times, waited for by Sleep alone: the whole milliseconds left, truncated.
LoopReport sleep_loop(int64_t frequency) {
    const int64_t reference = counter_now();
    int64_t frame = 0;
    return loop_measure("sleep-only", frequency, [&] {
        ++frame;
        const int64_t due = reference + frame * frequency / frames_per_second;
        const int64_t left = due - counter_now();
        if (left <= 0) return true;
        const int64_t milliseconds = left * 1000 / frequency;
        if (milliseconds > 0) Sleep(DWORD(milliseconds));
        return false;
    });
}

// The value below which a fraction q of `values` lies (nearest rank); NAN for no values.
double quantile(std::vector<double> values, double q) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(q * double(values.size() - 1) + 0.5))];
}

void report_print(const LoopReport& report) {
    const double period_ms = 1000.0 / frames_per_second;
    std::vector<double> deviations_us, away_us;
    const size_t passes = report.intervals_ms.size();
    for (size_t pass = 0; pass < passes; ++pass) {
        const double deviation = std::fabs(report.intervals_ms[pass] - period_ms) * 1000.0;
        deviations_us.push_back(deviation);
        const bool near_late = report.late[pass] || (pass > 0 && report.late[pass - 1]) ||
                               (pass + 1 < passes && report.late[pass + 1]);
        if (pass > 0 && !near_late) away_us.push_back(deviation);
    }
    std::printf("%-11s %9.3f %8.1f %8.1f %8.1f %9.1f %9.1f %5d %8.1f\n", report.name,
                quantile(report.intervals_ms, 0.5), quantile(deviations_us, 0.5),
                quantile(deviations_us, 0.9), quantile(deviations_us, 0.99), quantile(deviations_us, 1.0),
                quantile(away_us, 0.99), report.late_passes, report.cpu_ms_per_second);
}

void log_nothing(const char*) {}
void present_nothing(int32_t, int32_t, int32_t, int32_t, const uint32_t*) {}

int pacing_entry(HINSTANCE, HINSTANCE, PWSTR, int) {
    PlatformTable table{set_framebuffer_size, present_nothing, log_nothing};
    game_setup(table);
    timeBeginPeriod(1);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const LoopReport pacer = pacer_loop(frequency.QuadPart);
    const LoopReport sleeper = sleep_loop(frequency.QuadPart);

    std::printf("%lld passes per loop at 60 Hz (period 16.667 ms); load per pass: game_frame\n",
                static_cast<long long>(pass_count));
    std::printf("%-11s %9s %36s %9s\n", "", "interval", "|interval - 1/60 s| in us, all passes", "away");
    std::printf("%-11s %9s %8s %8s %8s %9s %9s %5s %8s\n", "loop", "median ms", "median", "p90", "p99", "max",
                "p99", "late", "CPU ms/s");
    report_print(pacer);
    report_print(sleeper);
    std::printf("away: the intervals whose pass, the one before and the one after all waited (none late)\n");
    return 0;
}

}  // namespace
}  // namespace novra

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--passes" && i + 1 < argc && std::atoll(argv[i + 1]) > 1) {
            novra::pass_count = std::atoll(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: novra_pacing [--passes N]   (N at least 2; 600 by default)\n");
            return 2;
        }
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("SDL_VIDEODRIVER", "dummy", 0);
    return novra::desktop_main(novra::pacing_entry);
}
