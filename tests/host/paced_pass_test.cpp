// The pass a browser's animation frames drive: taken when the pacer's grid says the next frame may
// begin, never waiting, at 60 per second whatever the display's refresh rate.
#include <random>

#include "host/frame_history.h"
#include "host_fixture.h"

namespace novra {
namespace {

TEST(PassWhenDue, KeepsSixtyPassesPerSecondOnAnyRefreshRateAndNeverWaits) {
    struct Case {
        const char* name;
        double refresh_hz;
        int64_t jitter_us;   // each refresh lands up to this far either side of its ideal time
        bool every_refresh;  // a pass at every refresh (displays at or under 60 Hz)
        bool late;           // passes end late (a display too slow for 60 passes per second)
    };
    const Case cases[] = {
        {"60 Hz", 60.0, 0, true, false},        {"60 Hz, refreshes wandering 7 ms", 60.0, 7000, true, false},
        {"59.94 Hz", 59.94, 1000, true, false}, {"30 Hz", 30.0, 0, true, true},
        {"75 Hz", 75.0, 1000, false, false},    {"120 Hz", 120.0, 500, false, false},
        {"144 Hz", 144.0, 500, false, false},   {"240 Hz", 240.0, 200, false, false},
    };
    constexpr int64_t frequency = 10'000'000;
    constexpr int64_t seconds = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedConfig config;
        config.client_width = 256;
        config.client_height = 192;
        config.counter_step = 1;
        config.record_calls = false;
        program_reset(config);
        // Opened at the first refresh, as the page does, so the grid starts on the display's beat.
        ASSERT_TRUE(host_open(test_instance()));
        const int64_t start = frame_pacer.reference_count;
        // The arrow is held for the first half of the run: the player moves one unit per pass taken
        // before the release.
        const int64_t release = start + seconds / 2 * frequency;
        scripted_key(scripted_at_time(start), VK_RIGHT, true);
        scripted_key(scripted_at_time(release), VK_RIGHT, false);
        std::mt19937 random(11);
        int64_t refreshes = 0, passes = 0, passes_holding = 0;
        for (;; ++refreshes) {
            const int64_t ideal = start + int64_t(double(refreshes) * double(frequency) / c.refresh_hz);
            const int64_t jitter =
                c.jitter_us ? int64_t(random() % uint32_t(2 * c.jitter_us + 1)) - c.jitter_us : 0;
            const int64_t at = std::max(ideal + jitter * frequency / 1'000'000, scripted_now());
            if (at - start >= seconds * frequency) break;
            scripted_advance(at - scripted_now());
            if (!host_pass_when_due()) continue;
            // No pass comes more than half a period before its place on the grid, so never two in
            // one frame period.
            if (!c.late) {
                EXPECT_GE(60 * (at - start), passes * frequency - frequency / 2) << "pass " << passes;
            }
            ++passes;
            if (at < release) ++passes_holding;
        }
        if (c.every_refresh) {
            EXPECT_EQ(passes, refreshes);
        } else {
            EXPECT_NEAR(double(passes), double(seconds * 60), 1.0);
        }
        EXPECT_EQ(frame_pacer.late_frames > 0, c.late);
        EXPECT_EQ(game.player_x, 60 + passes_holding);
        EXPECT_EQ(game.player_y, 60);
        host_close();
    }
}

TEST(PassWhenDue, NeverSleepsAndReadsTheCounterOnlyToDecide) {
    ScriptedConfig config;
    config.counter_step = 1;
    program_reset(config);
    ASSERT_TRUE(host_open(test_instance()));
    scripted_clear_calls();
    // Refreshes at 240 Hz for half a second: three of four find no pass due.
    for (int refresh = 1; refresh <= 120; ++refresh) {
        scripted_advance(refresh * 10'000'000 / 240 - (scripted_now() - 0));
        host_pass_when_due();
    }
    EXPECT_EQ(count_calls("Sleep"), 0);
    // One reading to decide at each refresh; for each pass taken three to time the Game's frame and the
    // present and one to count the pass.
    EXPECT_EQ(count_calls("QueryPerformanceCounter"), 120 + 4 * int(frame_pacer.frames_since_reference));
    EXPECT_NEAR(double(frame_pacer.frames_since_reference), 30.0, 1.0);
}

TEST(PassWhenDue, AfterAStallCatchesUpAsFrameWaitDoesThenReAnchors) {
    // A page left in the background gets no animation frames; on its return the first passes are late,
    // and from the sixth late pass of the run the grid moves to the present instead of catching up.
    ScriptedConfig config;
    config.counter_frequency = 6'000'000;  // a frame period is exactly 100,000 ticks
    config.counter_step = 1;
    config.record_calls = false;
    program_reset(config);
    ASSERT_TRUE(host_open(test_instance()));
    const int64_t start = scripted_now();
    scripted_advance(100 * 100'000);
    for (int late = 1; late <= 6; ++late)
        ASSERT_TRUE(host_pass_when_due());
    EXPECT_EQ(frame_pacer.late_frames, 6);
    EXPECT_EQ(frame_pacer.frames_since_reference, 0u);
    const int64_t anchor = frame_pacer.reference_count;
    EXPECT_GT(anchor, start + 100 * 100'000);
    // The re-anchoring reading starts a frame, as after frame_wait's: the next pass runs at once, and
    // the one after it half a period before the new grid's next due time, not earlier.
    EXPECT_TRUE(host_pass_when_due());
    EXPECT_FALSE(host_pass_when_due());
    scripted_advance(anchor + 50'000 - 1 - scripted_now());
    EXPECT_FALSE(host_pass_when_due());
    EXPECT_TRUE(host_pass_when_due());
    EXPECT_EQ(frame_pacer.late_frames, 6);
}

// Where nothing waits, a pass's pacing error is how far it began from its slot on the grid, either side,
// whenever it ends; and every pass taken is recorded for `stats`.
TEST(PassWhenDue, EachPassIsRecordedWithHowFarItBeganFromItsSlot) {
    ScriptedConfig config;
    config.counter_frequency = 6'000'000;  // a frame period is exactly 100,000 ticks
    config.counter_step = 0;               // the clock moves only when the test moves it
    config.record_calls = false;
    program_reset(config);
    ASSERT_TRUE(host_open(test_instance()));
    const int64_t slot = frame_pacer.reference_count;
    const auto at = [&](int64_t tick) { scripted_advance(slot + tick - scripted_now()); };

    at(40'000);  // slot 0 begins 40,000 ticks late; the pass then ends past slot 1's due time too
    ASSERT_TRUE(frame_due());
    at(150'000);
    frame_end();
    EXPECT_TRUE(frame_pacer.last_late);
    EXPECT_EQ(frame_pacer.last_error_scaled, 60 * 40'000);

    at(170'000);  // slot 1 was due at 100,000: 70,000 ticks late
    ASSERT_TRUE(host_pass_when_due());
    EXPECT_EQ(frame_pacer.last_error_scaled, 60 * 70'000);
    at(260'000);  // slot 2, due at 200,000: 60,000 ticks late
    ASSERT_TRUE(host_pass_when_due());
    at(270'000);  // slot 3 is due at 300,000: taken 30,000 ticks early, a positive error
    ASSERT_TRUE(host_pass_when_due());
    EXPECT_EQ(frame_pacer.last_error_scaled, 60 * 30'000);
    EXPECT_FALSE(host_pass_when_due());  // slot 4 is not near yet

    // The three passes host_pass_when_due took are what `stats` reads (frame_end alone records none).
    EXPECT_EQ(frame_history.count, 3);
    FrameStats stats{};
    read_frame_stats(&stats);
    EXPECT_EQ(stats.passes, 3);
    EXPECT_EQ(stats.pacing_error_p99_us, 11'667);  // 70,000 ticks at 6 MHz
}

}  // namespace
}  // namespace novra
