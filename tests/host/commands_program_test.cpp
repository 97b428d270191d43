// Commands typed into the real console of the real program on the scripted desktop: the lines reach the
// Game, the answers appear under them, the world and the picture follow, and `quit` ends the run as
// closing the window does. Also the Host's record of its last passes, which `stats` reads.
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "game/commands.h"
#include "host/frame_history.h"
#include "host_fixture.h"

namespace novra {
namespace {

int run_program() {
    return host_main(test_instance(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The client pixel showing picture pixel (x, y) in the 800 x 600 window (3.125 client pixels a pixel).
std::u16string utf16_of(const std::string& text) {
    std::u16string wide(text.size(), u'\0');
    wide.resize(size_t(
        MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), int(wide.size()))));
    return wide;
}

uint32_t picture_pixel(int32_t x, int32_t y) {
    return scripted_pixel(x * 800 / 256 + 1, (191 - y) * 600 / 192 + 1);
}

TEST(CommandsInTheProgram, TypedLinesRunAsCommandsAndQuitEndsTheRunWithStatusZero) {
    ScriptedConfig config;
    config.console_width = 200;  // the stats line fits on one row
    program_reset(config);
    // Each line is typed while the previous one's effects are already on screen.
    scripted_console_text(scripted_at_pass(1), u"box 150 100 20 20\r");
    scripted_console_text(scripted_at_pass(20), u"tp 100 100\r");
    scripted_console_text(scripted_at_pass(30), u"stats\r");
    scripted_console_text(scripted_at_pass(40), u"rm 2\r");
    scripted_console_text(scripted_at_pass(50), u"nope\r");
    scripted_console_text(scripted_at_pass(60), u"quit\r");
    ASSERT_EQ(run_program(), 0);

    // The scripted counter moves 1000 ticks (100 us) a read, so each pass's game_frame and present
    // measure 100 us each.
    const std::vector<std::string> expected{
        "NOVRA debug console v0.1a",
        "NOVRA game debug mode",
        "box 150 100 20 20",
        "box 2 at 150 100 20 20",
        "tp 100 100",
        "player at 100 100",
        "stats",
        "(the figures)",
        "rm 2",
        "removed box 2",
        "nope",
        "unknown command 'nope' (type help)",
        "quit",
        "bye",
    };
    std::vector<std::string> rows = console_rows();
    ASSERT_EQ(rows.size(), expected.size()) << testing::PrintToString(rows);
    // The pacing error depends on where the counter's 100 us steps fall against the due times.
    EXPECT_TRUE(std::regex_match(
        rows[7], std::regex("frame work p50 100 us p99 100 us max 100 us; present p50 100 us p99 "
                            "100 us max 100 us; pacing error "
                            "p99 [0-9]{1,3} us; late passes 0, re-anchored 0; boxes 2")))
        << rows[7];
    rows[7] = "(the figures)";
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(scripted_console().cursor_y, 14);  // the empty line under the last answer

    // quit let its pass finish and then shut down exactly as a close does.
    EXPECT_FALSE(running);
    EXPECT_EQ(count_calls("FreeConsole"), 1);
    EXPECT_EQ(game.player_x, 100);
    EXPECT_EQ(picture_pixel(106, 106), 0x0000FF);  // the player
    EXPECT_EQ(picture_pixel(160, 110), 0xFF0000);  // box 2 is gone: the background shows
    EXPECT_EQ(picture_pixel(45, 45), 0xFFFF00);    // box 1 stays
}

TEST(CommandsInTheProgram, ABoxTypedInShowsInThePicture) {
    program_reset();
    scripted_console_text(scripted_at_pass(1), u"box 150 100 20 20\r");
    scripted_close(scripted_at_pass(20));
    ASSERT_EQ(run_program(), 0);
    EXPECT_EQ(picture_pixel(160, 110), 0xFFFF00);
    EXPECT_EQ(picture_pixel(149, 110), 0xFF0000);
    EXPECT_EQ(picture_pixel(170, 110), 0xFF0000);
}

// Catches the argument not reaching the Game (quotes or a space taken as part of the name, the UTF-16 to
// UTF-8 step wrong) and a bad file that leaves no word in the console or loses the default world.
TEST(CommandsInTheProgram, AWorldFileOnTheCommandLineIsLoadedAtStartOrRefusedInTheConsole) {
    const std::string folder = (std::filesystem::temp_directory_path() / "novra_argument ü").string();
    std::filesystem::create_directories(folder);
    const std::string good = folder + "/level one.txt", bad = folder + "/bad.txt";
    std::ofstream(good) << "# NOVRA world 1\ntp 100 100\nbox 150 100 20 20\n";
    std::ofstream(bad) << "# NOVRA world 1\nbox 100 100 20 20\nboks 1 1 1 1\n";
    const struct {
        std::string file;
        std::string answer;
        uint32_t at_box_2, at_box_1;  // the picture where each box would be
    } cases[] = {
        {good, "loaded the player and 1 box from " + good, 0xFFFF00, 0xFF0000},
        {bad, "load: " + bad + ":3: not a world line: only tp X Y and box X Y W H belong here", 0xFF0000,
         0xFFFF00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ScriptedConfig config;
        config.console_width = 160;  // the answer fits on one row
        program_reset(config);
        scripted_close(scripted_at_pass(5));
        std::u16string argument = u"  \"" + utf16_of(c.file) + u"\" ";
        ASSERT_EQ(host_main(test_instance(), nullptr, argument.data(), SW_SHOWNORMAL), 0);
        const std::vector<std::string> rows = console_rows();
        ASSERT_GE(rows.size(), 3u);
        EXPECT_EQ(rows[2], c.answer);
        EXPECT_EQ(picture_pixel(160, 110), c.at_box_2);
        EXPECT_EQ(picture_pixel(45, 45), c.at_box_1);
    }
    std::filesystem::remove_all(folder);
}

// The ring keeps the last 600 passes: older ones fall out of every figure.
TEST(FrameHistory, FiguresCoverTheLast600PassesOnly) {
    program_reset();
    frame_pacer.counter_frequency = 1'000'000;  // one tick is one microsecond
    FrameStats stats{};
    read_frame_stats(&stats);
    EXPECT_EQ(stats.passes, 0);

    // 100 slow, late, re-anchoring passes, then 600 ordinary ones of 1 to 600 us with one late pass.
    for (int i = 0; i < 100; ++i) {
        frame_pacer.last_late = true;
        frame_pacer.last_reanchored = true;
        frame_pacer.last_error_scaled = 60 * 5000;
        frame_history_add(90'000, 7);
    }
    for (int i = 1; i <= 600; ++i) {
        frame_pacer.last_late = i == 300;
        frame_pacer.last_reanchored = false;
        frame_pacer.last_error_scaled = 60 * (i % 100);  // 0 to 99 us
        frame_history_add(i, 2 * i);                     // presents twice as long, so the two are told apart
    }
    read_frame_stats(&stats);
    EXPECT_EQ(stats.passes, 600);
    EXPECT_EQ(stats.work_p50_us, 300);
    EXPECT_EQ(stats.work_p99_us, 594);
    EXPECT_EQ(stats.work_max_us, 600);
    EXPECT_EQ(stats.present_p50_us, 600);
    EXPECT_EQ(stats.present_p99_us, 1188);
    EXPECT_EQ(stats.present_max_us, 1200);
    EXPECT_EQ(stats.pacing_error_p99_us, 98);  // ranks 589 to 594 of 600 hold 98
    EXPECT_EQ(stats.late_passes, 1);
    EXPECT_EQ(stats.reanchored_passes, 0);

    // Half the window slow again.
    for (int i = 0; i < 300; ++i) {
        frame_pacer.last_late = true;
        frame_pacer.last_reanchored = i % 2 == 0;
        frame_history_add(2'000'000, 5);
    }
    read_frame_stats(&stats);
    EXPECT_EQ(stats.work_p50_us, 600);
    EXPECT_EQ(stats.work_max_us, 2'000'000);
    EXPECT_EQ(stats.present_p50_us, 5);
    EXPECT_EQ(stats.late_passes, 300);
    EXPECT_EQ(stats.reanchored_passes, 150);
}

// Before the ring is full the figures cover the passes there are; once it has wrapped, 600 at most.
TEST(FrameHistory, FiguresOfAFewPassesAndOfAWrappedRing) {
    program_reset();
    frame_pacer.counter_frequency = 1'000'000;  // one tick is one microsecond
    for (int64_t work : {10, 30, 20})
        frame_history_add(work, 2 * work);
    FrameStats stats{};
    read_frame_stats(&stats);
    EXPECT_EQ(stats.passes, 3);
    EXPECT_EQ(stats.work_p50_us, 20);
    EXPECT_EQ(stats.work_max_us, 30);
    EXPECT_EQ(stats.present_p50_us, 40);
    frame_pacer.last_late = true;
    for (int i = 0; i < 1200; ++i)
        frame_history_add(5, 7);
    read_frame_stats(&stats);
    EXPECT_EQ(stats.passes, 600);
    EXPECT_EQ(stats.late_passes, 600);
    EXPECT_EQ(stats.work_max_us, 5);
}

// The pacer's account of each pass: how far its end lay from the due time, late or not.
TEST(FrameHistory, ThePacerSaysHowFarEachPassEndedFromItsDueTime) {
    ScriptedConfig config;
    config.counter_step = 1;
    program_reset(config);
    ASSERT_TRUE(pacer_start());  // reference 0; frame 1 due at scaled 10,000,000, tick 166,666.67
    scripted_advance(50'000);
    frame_wait();
    EXPECT_FALSE(frame_pacer.last_late);
    EXPECT_EQ(frame_pacer.last_error_scaled, 60 * 166'667 - 10'000'000);  // the spin's first tick past it
    scripted_advance(400'000);  // frame 2 was due at tick 333,333.33
    frame_wait();
    EXPECT_TRUE(frame_pacer.last_late);
    EXPECT_FALSE(frame_pacer.last_reanchored);
    EXPECT_EQ(frame_pacer.last_error_scaled, 60 * (166'668 + 400'000) - 20'000'000);
}

}  // namespace
}  // namespace novra
