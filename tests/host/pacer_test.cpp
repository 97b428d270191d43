#include <random>
#include <string>
#include <vector>

#include "host_fixture.h"

namespace novra {
namespace {

// The pacer on the scripted counter, anchored at tick 0. Each counter read advances the virtual clock
// by one tick, so a spin stops at exactly the first tick at or past the due time.
class Pacer : public testing::Test {
protected:
    void start(int64_t frequency, bool record_calls = true) {
        ScriptedConfig config;
        config.counter_frequency = frequency;
        config.counter_step = 1;
        config.record_calls = record_calls;
        program_reset(config);
        ASSERT_TRUE(pacer_start());
        ASSERT_EQ(frame_pacer.reference_count, 0);
    }
    // Lets the pass's work run until the counter reads `tick`.
    static void work_until(int64_t tick) { scripted_advance(tick - scripted_now()); }
    // The last counter reading, taken just before the virtual clock stepped on.
    static int64_t last_reading() { return scripted_now() - 1; }
};

TEST_F(Pacer, WorkedExampleSleepsWholeMillisecondsThenSpinsToTheDueTick) {
    start(10'000'000);
    work_until(50'000);
    scripted_clear_calls();
    frame_wait();
    // 7,000,000 scaled ticks ahead is 11.67 ms; frame 1 is due at the first tick t with 60 t >= 10,000,000.
    EXPECT_EQ(calls_named({"Sleep"}), std::vector<std::string>{"Sleep 11"});
    const std::vector<std::string> reads = calls_named({"QueryPerformanceCounter"});
    ASSERT_GE(reads.size(), 3u);
    EXPECT_EQ(reads.front(), "QueryPerformanceCounter 50000");
    EXPECT_EQ(reads[reads.size() - 2], "QueryPerformanceCounter 166666");
    EXPECT_EQ(reads.back(), "QueryPerformanceCounter 166667");
    EXPECT_EQ(frame_pacer.late_frames, 0);
}

TEST_F(Pacer, SleepsOnlyWholeMillisecondsAndSpinsTheRest) {
    struct Case {
        int64_t pass_end;  // tick at which the pass's work ends; frame 1 is due at tick 166,667
        std::vector<std::string> sleeps;
    };
    const Case cases[] = {
        {100'000, {"Sleep 6"}},  // 6.67 ms ahead
        {150'000, {"Sleep 1"}},  // 1.67 ms
        {156'667, {}},           // 0.99998 ms: under one millisecond only spins
        {166'000, {}},          {166'666, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pass_end);
        start(10'000'000);
        work_until(c.pass_end);
        scripted_clear_calls();
        frame_wait();
        EXPECT_EQ(calls_named({"Sleep"}), c.sleeps);
        EXPECT_EQ(last_reading(), 166'667);
        EXPECT_EQ(frame_pacer.late_frames, 0);
    }
}

TEST_F(Pacer, EndingExactlyAtTheDueTimeIsLate) {
    start(6'000'000);  // a frame is exactly 100,000 ticks
    work_until(100'000);
    scripted_clear_calls();
    frame_wait();
    EXPECT_EQ(frame_pacer.late_frames, 1);
    EXPECT_EQ(scripted_calls(), std::vector<std::string>{"QueryPerformanceCounter 100000"});

    start(6'000'000);
    work_until(99'999);
    frame_wait();
    EXPECT_EQ(frame_pacer.late_frames, 0);
    EXPECT_EQ(last_reading(), 100'000);
}

TEST_F(Pacer, FromTheSixthLatePassOfTheRunEveryLatePassReAnchors) {
    start(6'000'000);
    constexpr int64_t period = 100'000;
    // Five late passes after a stall keep the grid: the reference stays and the pass count runs on.
    work_until(10 * period);
    for (int32_t late = 1; late <= 5; ++late) {
        frame_wait();
        EXPECT_EQ(frame_pacer.late_frames, late);
        EXPECT_EQ(frame_pacer.frames_since_reference, uint64_t(late));
        EXPECT_EQ(frame_pacer.reference_count, 0);
    }
    // The sixth re-anchors at a fresh reading; the next pass is due one period after it.
    frame_wait();
    EXPECT_EQ(frame_pacer.late_frames, 6);
    EXPECT_EQ(frame_pacer.frames_since_reference, 0u);
    const int64_t anchor = frame_pacer.reference_count;
    EXPECT_EQ(anchor, last_reading());
    EXPECT_EQ(frame_pacer.reference_scaled, 60 * anchor);
    for (int64_t frame = 1; frame <= 30; ++frame) {
        frame_wait();
        EXPECT_EQ(last_reading(), anchor + frame * period);
    }
    EXPECT_EQ(frame_pacer.late_frames, 6);
    // However much later in the run, one late pass is enough now.
    work_until(last_reading() + 3 * period);
    frame_wait();
    EXPECT_EQ(frame_pacer.late_frames, 7);
    EXPECT_EQ(frame_pacer.frames_since_reference, 0u);
    EXPECT_EQ(frame_pacer.reference_count, last_reading());
}

TEST_F(Pacer, KeepsSixtyPassesPerSecondWithoutDriftOverALongRun) {
    // A frequency that 60 does not divide: each frame period is a fraction of a tick off the grid.
    constexpr int64_t frequency = 1'193'182;
    start(frequency, false);
    std::mt19937 random(7);
    const int64_t passes = 5 * 60 * 60;  // five minutes
    for (int64_t pass = 1; pass <= passes; ++pass) {
        work_until(scripted_now() + int64_t(random() % uint32_t(frequency / 70)));
        frame_wait();
        // The first tick at or past pass x frequency / 60, rounded up.
        ASSERT_EQ(last_reading(), (pass * frequency + 59) / 60) << "pass " << pass;
    }
    EXPECT_EQ(frame_pacer.late_frames, 0);
    EXPECT_EQ(last_reading(), 5 * 60 * frequency);
}

TEST_F(Pacer, RefusesFrequenciesItCannotPaceWith) {
    struct Case {
        int64_t frequency;
        bool usable;
    };
    for (const Case c : {Case{0, false}, Case{-1, false}, Case{INT64_MIN, false}, Case{1, true},
                         Case{10'000'000, true}, Case{pacer_frequency_limit, true},
                         Case{pacer_frequency_limit + 1, false}, Case{INT64_MAX, false}}) {
        SCOPED_TRACE(c.frequency);
        ScriptedConfig config;
        config.counter_frequency = c.frequency;
        program_reset(config);
        EXPECT_EQ(pacer_start(), c.usable);
    }
}

TEST_F(Pacer, PacingGoesOnUnchangedWhereSixtyTimesTheCounterPassesTwoToTheSixtyThree) {
    // The counter starts just under 2^63 / 60, so the scaled due times, and then the scaled readings,
    // wrap. Compared by their wrapped difference, every pass still waits for its due tick; compared as
    // signed values, the first kind reads as late and the second spins for ever once a reading wraps
    // during the wait.
    const struct {
        const char* name;
        int64_t below_wrap, oversleep;  // ticks under INT64_MAX / 60 at the start; ticks each Sleep adds
    } cases[] = {
        {"due times wrap first", 100'000, 0},
        {"a reading wraps during a wait", 200'000, 100'000},
    };
    constexpr int64_t frequency = 10'000'000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedConfig config;
        config.counter_frequency = frequency;
        config.counter_step = 1;
        config.counter_start = INT64_MAX / 60 - c.below_wrap;
        config.sleep_oversleep = c.oversleep;
        program_reset(config);
        ASSERT_TRUE(pacer_start());
        const int64_t reference = frame_pacer.reference_count;
        for (int64_t pass = 1; pass <= 6; ++pass) {
            frame_wait();
            EXPECT_FALSE(frame_pacer.last_late) << "pass " << pass;
            EXPECT_GE(last_reading(), reference + (pass * frequency + 59) / 60) << "pass " << pass;
            EXPECT_GE(frame_pacer.last_error_scaled, 0);
        }
        EXPECT_GT(last_reading(), INT64_MAX / 60);
        EXPECT_EQ(frame_pacer.late_frames, 0);
        EXPECT_EQ(frame_pacer.frames_since_reference, 6u);
    }
}

}  // namespace
}  // namespace novra
