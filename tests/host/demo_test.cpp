// Demos in the real program on the scripted desktop: a recording made while the user walks, types
// commands, loses the focus and resizes the window plays back with every picture matching, at the Host's
// pace and as fast as it goes, while the live keys and commands are kept out; `--verify` finds the first
// pass a one-pixel change shows in; and a bad demo file is one reply that leaves the world as it was.
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "game/commands.h"
#include "game/game.h"
#include "game/world_file.h"
#include "host_fixture.h"
#include "platform/sim/driver.h"
#include "tests/shared/game_with_files.h"

namespace novra {
namespace {

int64_t clock_zero() {
    return 0;
}

// Each test runs in a folder of its own, the working folder, so typed lines stay short: the console
// takes four typed characters a pass.
struct Demos : testing::Test {
    std::filesystem::path folder, previous;
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("novra_demo_" + std::to_string(getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }
};

void type_at(int64_t pass, const std::string& line) {
    scripted_console_text(scripted_at_pass(pass), std::u16string(line.begin(), line.end()) + u"\r");
}

void keys_at(int64_t pass, std::initializer_list<uint8_t> keys, bool down) {
    for (const uint8_t key : keys)
        scripted_key(scripted_at_pass(pass), key, down);
}

// Catches a pass whose recorded keys, typed lines or start world differ from what the live pass had
// (a line replayed a pass late or early, keys taken from the live table, the store's order of boxes
// lost): any one of them makes a checksum differ. Also a playback that lets the live keys or commands
// in, one that ends elsewhere than the recording did, and a verify that cannot see one pixel.
TEST_F(Demos, ARecordedPlayThroughPlaysBackWithEveryPictureMatchingAndAOnePixelChangeIsFound) {
    ScriptedConfig config;
    config.console_width = 200;
    config.console_height = 300;
    program_reset(config);
    // Box 3 takes box 1's row: the store meets box 3 before box 2. At (150, 100) with right and up held
    // the player touches box 3's face and box 2's corner at once: met in that order it slides up along
    // box 3, met the other way round it stops dead.
    type_at(1, "box 162 112 5 5");
    type_at(6, "box 162 100 5 5");
    type_at(11, "rm 1");
    type_at(14, "record w.demo");  // from pass 18 on
    keys_at(20, {0x27, 0x26}, true);
    type_at(22, "spawn 40 9");
    type_at(28, "rm 5");
    scripted_focus(scripted_at_pass(34), false);  // the keys are let go
    keys_at(35, {0x27, 0x26}, false);
    scripted_focus(scripted_at_pass(36), true);
    keys_at(37, {0x27}, true);
    scripted_resize(scripted_at_pass(40), 640, 400);
    type_at(42, "tp 150 100");
    keys_at(45, {0x26}, true);
    type_at(50, "box 210 60 1 1");
    type_at(55, "stats");
    keys_at(58, {0x27, 0x26}, false);
    keys_at(59, {0x28, 0x25}, true);  // down and left
    type_at(62, "stop");
    keys_at(66, {0x28, 0x25}, false);
    type_at(67, "clear");
    type_at(72, "play w.demo");
    keys_at(80, {0x26}, true);  // live keys and commands while it plays are kept out
    type_at(82, "tp 0 0");
    keys_at(90, {0x26}, false);
    type_at(170, "pos");
    type_at(175, "tp 0 0");
    type_at(180, "timedemo w.demo");
    type_at(190, "pos");
    type_at(195, "record q.demo");
    scripted_close(scripted_at_pass(200));  // the recording is written as the program ends
    ASSERT_EQ(host_main(test_instance(), nullptr, nullptr, SW_SHOWNORMAL), 0);

    const std::string text = file_text("w.demo");
    const std::regex checksum("[0-9a-f]{16}");
    int32_t passes = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        passes += std::regex_match(line, checksum) ? 1 : 0;
    ASSERT_GT(passes, 40) << text;
    const std::string n = std::to_string(passes);
    const std::vector<std::string> rows = console_rows();
    const auto at = [&](const std::string& row) {
        return std::find(rows.begin(), rows.end(), row) - rows.begin();
    };
    const auto end = ptrdiff_t(rows.size());
    EXPECT_LT(at("recorded " + n + " passes to w.demo"), end) << testing::PrintToString(rows);
    EXPECT_LT(at("playing w.demo: " + n + " passes"), end);
    EXPECT_LT(at("tp: not while playing w.demo: only stop, help, pos, boxes, stats and quit are taken"), end);
    const ptrdiff_t matched = at("w.demo: " + n + " passes, every picture matched");
    ASSERT_LT(matched, end) << testing::PrintToString(rows);
    // Both playbacks end where the recording did: pos answers the same after each.
    ASSERT_EQ(rows[size_t(matched) + 1], "pos");
    const std::string ended_at = rows[size_t(matched) + 2];
    const std::regex timed("w\\.demo: " + n +
                           " passes in [0-9]+ ms, [0-9,]+ passes/s, every picture matched");
    ASSERT_EQ(rows.size(), size_t(matched) + 12) << testing::PrintToString(rows);
    EXPECT_TRUE(std::regex_match(rows.back(), std::regex("recorded [0-9]+ passes to q\\.demo")))
        << rows.back();
    EXPECT_TRUE(std::regex_match(rows[size_t(matched) + 6], timed)) << rows[size_t(matched) + 6];
    EXPECT_EQ(rows[size_t(matched) + 8], ended_at);

    // The start as the file says it, the boxes in the store's order.
    EXPECT_EQ(text.substr(0, text.find("keys")),
              "# NOVRA demo 1\ntp 60 60\nnext box 4\nbox 3 at 162 100 5 5\nbox 2 at 162 112 5 5\n")
        << text;

    char line[320];
    game_reset();
    EXPECT_EQ(host_verify("w.demo", clock_zero, line, sizeof line), 0) << line;
    game_reset();
    EXPECT_EQ(host_verify("q.demo", clock_zero, line, sizeof line), 0) << line;
    // One pixel moved by one place in the line typed in pass P shows in the picture of pass P + 1.
    const std::smatch typed = [&] {
        std::smatch found;
        std::regex_search(text, found, std::regex("typed ([0-9]+) box 210 60 1 1\n"));
        return found;
    }();
    ASSERT_FALSE(typed.empty()) << text;
    std::string changed = text;
    changed.replace(size_t(typed.position(0)), size_t(typed.length(0)),
                    "typed " + typed[1].str() + " box 211 60 1 1\n");
    file_write("w.demo", changed);
    game_reset();
    EXPECT_EQ(host_verify("w.demo", clock_zero, line, sizeof line), 1);
    const std::string differs = "w\\.demo: pass " + std::to_string(std::stoi(typed[1]) + 1) +
                                " differs \\(picture 0x[0-9a-f]{16} expected 0x[0-9a-f]{16}\\)";
    EXPECT_TRUE(std::regex_match(line, std::regex(differs))) << line;
    game_reset();
    EXPECT_EQ(host_verify("none.demo", clock_zero, line, sizeof line), 2);
    EXPECT_EQ(std::string(line), "verify: none.demo: No such file or directory");
}

std::vector<std::string> run(const std::string& line) {
    return replies_to(game_typed_line, line);
}

// Each bad file is refused with one line naming the file and the line, before anything changes: catches
// a refusal that comes after the world was replaced, a truncated or out-of-step file taken as a shorter
// demo, keys for a pass the demo lacks accepted, and a refusal that points elsewhere than the fault.
TEST_F(Demos, ABadDemoFileIsOneReplyNamingItsLineAndTheWorldStaysAsItWas) {
    const std::string start = "# NOVRA demo 1\ntp 60 60\nnext box 3\nbox 2 at 100 100 5 5\n";
    const std::string pass = "0123456789abcdef\n";
    const struct {
        std::string text, reply;
    } cases[] = {
        {start + "keys 1 R\n" + pass + pass, "bad.demo:7: no end line: the file is cut short"},
        {"\x7f"
         "ELF\x01\x01garbage\n",
         "bad.demo:1: not a NOVRA demo: the first line must be \"# NOVRA demo 1\""},
        {"# NOVRA demo 2\n" + start.substr(15) + "end 0\n",
         "bad.demo:1: a demo of version 2; this NOVRA plays version 1"},
        {start + "keys 1 R\n" + pass + "keys 3 L\n" + pass + "end 2\n",
         "bad.demo:7: keys for pass 3 where pass 2's come"},
        {start + pass + "keys 2 U\nend 1\n", "bad.demo:6: keys for pass 2, after the last pass"},
        {start + pass + pass + "end 3\n", "bad.demo:7: end 3 after 2 passes"},
        {start + "typed 1 pos\n" + pass + "end 1\n",
         "bad.demo:5: a line typed in pass 1 where pass 0's come"},
        {start + pass + "tp 1 1\nend 1\n", "bad.demo:6: tp among the passes: the world comes before them"},
        {start + "box 2 at 0 0 1 1\nend 0\n", "bad.demo:5: box 2 given twice"},
        {start + "box 3 at 0 0 1 1\nend 0\n", "bad.demo:5: box 3 is not below next box 3"},
        {start + "0123456789ABCDEF\nend 1\n", "bad.demo:5: not a demo line"},
        {start + "typed 0 a\\qb\nend 0\n", "bad.demo:5: typed: a control byte or \\ not written as \\xNN"},
        {start + "end 0\n" + pass, "bad.demo:6: a line after end"},
        {start + "typed 0 " + std::string(1100, 'a') + "\nend 0\n", "bad.demo:5: longer than 1100 bytes"},
        {"# NOVRA demo 1\nnext box 3\nend 0\n", "bad.demo:1: no tp line before the passes"},
    };
    sim_reset(DriverHooks{}, false);
    game_open_with_files();
    run("box 150 20 10 10");
    run("tp 80 90");
    const auto world = [] { return std::make_pair(run("boxes"), run("pos")); };
    const auto before = world();
    for (const auto& bad : cases) {
        file_write("bad.demo", bad.text);
        EXPECT_EQ(run("play bad.demo"), std::vector<std::string>{"play: " + bad.reply}) << bad.text;
        EXPECT_EQ(world(), before) << bad.text;
    }
    EXPECT_EQ(run("timedemo none.demo"),
              std::vector<std::string>{"timedemo: none.demo: No such file or directory"});
    // The good start of the same table plays: the table's files are refused for their faults alone.
    file_write("good.demo", start + "end 0\n");
    EXPECT_EQ(run("play good.demo"), std::vector<std::string>{"playing good.demo: 0 passes"});
}

}  // namespace
}  // namespace novra
