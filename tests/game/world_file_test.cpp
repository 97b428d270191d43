// World files through the commands and the Host's file entries: a bad file is refused with one line naming
// its place and changes nothing; save then load gives back the same world; exec runs a file's lines until one
// is refused.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "game/commands.h"
#include "game/world_file.h"
#include "host/host.h"
#include "tests/shared/game_with_files.h"
#include "tests/shared/world_file_model.h"

namespace novra {
namespace {

using Box = std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t>;  // number, x, y, w, h

struct Snapshot {
    int32_t player_x, player_y;
    std::vector<Box> boxes;
    int32_t next_number;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot() {
    Snapshot world{game.player_x, game.player_y, {}, box_table.next_number};
    box_table_each([&](const BoxEntry& entry) {
        const BoxView view = box_view(entry);
        world.boxes.emplace_back(view.number, view.position.x, view.position.y, view.size.width,
                                 view.size.height);
        return true;
    });
    return world;
}

struct WorldFiles : testing::Test {
    std::string folder;
    void SetUp() override {
        const auto path = std::filesystem::temp_directory_path() /
                          ("novra_world_" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(path);
        folder = path.generic_string();
        game_open_with_files();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::vector<std::string> run(const std::string& line) { return replies_to(game_command, line); }
};

using Lines = std::vector<std::string>;

std::string many_boxes(int32_t count) {
    std::string text = "# NOVRA world 1\ntp -100 -100\n";
    for (int32_t i = 0; i < count; ++i)
        text += "box " + std::to_string(i % 1000) + " " + std::to_string(i / 1000) + " 1 1\n";
    return text;
}

// Each row a file and its one reply. Catches: a check skipped or a line counted wrongly (the reply
// names another line), and a load that changes the world before it has checked the whole file.
TEST_F(WorldFiles, BadFilesAreRefusedWithOneLineAndChangeNothing) {
    const std::string header = "# NOVRA world 1\n";
    const struct {
        const char* name;
        std::string text;  // "(none)": no such file; "(folder)": a folder by that name
        std::string reply;
    } rows[] = {
        {"garbage", header + "tp 1 2\nhello there\n",
         "load: F:3: not a world line: only tp X Y and box X Y W H belong here"},
        {"no header", "tp 1 2\n", "load: F:1: not a NOVRA world: the first line must be \"# NOVRA world 1\""},
        {"empty", "", "load: F:1: not a NOVRA world: the first line must be \"# NOVRA world 1\""},
        {"a command that is not a world line", header + "clear\n",
         "load: F:2: not a world line: only tp X Y and box X Y W H belong here"},
        {"NUL byte", header + "tp 1 2\nbox 1" + std::string(1, '\0') + " 2 3 4\n",
         "load: F:3: holds a NUL byte"},
        {"long line", header + "# " + std::string(9998, 'x') + "\n", "load: F:2: longer than 256 bytes"},
        {"number past int32", header + "box 1 2 3 2147483648\n",
         "load: F:2: box needs X Y W H, four int32 numbers"},
        {"too few numbers", header + "\r\n\r\ntp 5\r\n", "load: F:4: tp needs X Y, two int32 numbers"},
        {"zero width", header + "box 1 2 0 4\n", "load: F:2: box: W and H must be at least 1"},
        {"second tp", header + "tp 0 0\ntp 1 1\n", "load: F:3: a second tp"},
        {"box over the player", header + "tp 100 100\nbox 1 1 1 1\nbox 111 111 5 5\n",
         "load: F:4: box 111 111 5 5 overlaps the player at 100 100"},
        {"box over a later tp", header + "box 200 100 4 4\ntp 195 95\n",
         "load: F:2: box 200 100 4 4 overlaps the player at 195 95"},
        {"box over the current player", header + "box 100 150 1 1\n",
         "load: F:2: box 100 150 1 1 overlaps the player at 100 150"},
        {"100,001 boxes", many_boxes(100001), "load: F:100003: more than 100000 boxes"},
        {"9 MiB", header + std::string(9 << 20, '#'), "load: F: larger than 8 MiB (9437200 bytes)"},
        {"missing", "(none)", "load: F: No such file or directory"},
        {"folder", "(folder)", "load: F: Is a directory"},
    };
    game_command("box 150 100 20 20");
    game_command("tp 100 150");
    const Snapshot before = snapshot();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = folder + "/F";
        std::filesystem::remove_all(path);
        if (row.text == "(folder)")
            std::filesystem::create_directory(path);
        else if (row.text != "(none)")
            file_write(path, row.text);
        std::string expected = row.reply;
        expected.replace(expected.find('F'), 1, path);
        EXPECT_EQ(run("load " + path), Lines{expected});
        EXPECT_EQ(snapshot(), before);
    }
}

// Catches a mangled edge number (a sign or digit lost in writing or reading), a box dropped or
// reordered, the player not restored, and numbers reused after a load.
TEST_F(WorldFiles, SaveThenLoadGivesTheSameWorldAtTheInt32Edges) {
    std::mt19937 random(21);
    const int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, 255, INT32_MAX - 1, INT32_MAX};
    const auto coordinate = [&] {
        return random() % 2 ? edges[random() % 8] : int32_t(random() % 600) - 300;
    };
    const auto extent = [&] {
        return random() % 2 ? INT32_MAX - int32_t(random() % 2) : int32_t(random() % 40) + 1;
    };
    const std::string path = folder + "/world one.txt";
    const std::string copy = folder + "/copy.txt";
    for (int32_t round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        game_command("clear");
        game_command(("tp " + std::to_string(coordinate()) + " " + std::to_string(coordinate())).c_str());
        const int32_t count = int32_t(random() % 30);
        for (int32_t i = 0; i < count; ++i) {
            const std::string line = "box " + std::to_string(coordinate()) + " " +
                                     std::to_string(coordinate()) + " " + std::to_string(extent()) + " " +
                                     std::to_string(extent());
            game_command(line.c_str());  // one over the player is refused, as by hand
        }
        const Snapshot saved = snapshot();
        const auto boxes = int64_t(saved.boxes.size());
        ASSERT_EQ(run("save " + path), Lines{"saved the player and " + std::to_string(boxes) +
                                             (boxes == 1 ? " box" : " boxes") + " to " + path});
        game_command("clear");
        game_command("tp 3 3");
        ASSERT_EQ(run("load " + path), Lines{"loaded the player and " + std::to_string(boxes) +
                                             (boxes == 1 ? " box" : " boxes") + " from " + path});
        Snapshot loaded = snapshot();
        EXPECT_EQ(loaded.player_x, saved.player_x);
        EXPECT_EQ(loaded.player_y, saved.player_y);
        ASSERT_EQ(loaded.boxes.size(), saved.boxes.size());
        for (size_t i = 0; i < loaded.boxes.size(); ++i) {
            EXPECT_EQ(std::get<0>(loaded.boxes[i]),
                      saved.next_number + int32_t(i));  // new, in the file's order
            std::get<0>(loaded.boxes[i]) = std::get<0>(saved.boxes[i]);
        }
        EXPECT_EQ(loaded.boxes, saved.boxes);
        ASSERT_EQ(run("save " + copy).size(), 1u);
        EXPECT_EQ(file_text(copy), file_text(path));
        game_frame();
    }
}

// Catches a byte order mark or CR taken as part of a word, a last line without its newline dropped, and
// a load that keeps the old boxes.
TEST_F(WorldFiles, ByteOrderMarkCrlfAndAMissingLastNewlineAreAccepted) {
    const std::string path = folder + "/w.txt";
    file_write(
        path,
        "\xEF\xBB\xBF# NOVRA world 1\r\n# a comment\r\n\r\n   \r\nbox 1 2 3 4\r\ntp 100 100\r\nbox 5 6 7 8");
    EXPECT_EQ(run("load " + path), Lines{"loaded the player and 2 boxes from " + path});
    EXPECT_EQ(snapshot(), (Snapshot{100, 100, {{2, 1, 2, 3, 4}, {3, 5, 6, 7, 8}}, 4}));
    game_frame();
    EXPECT_EQ(run("boxes"), (Lines{"box 2 at 1 2 3 4", "box 3 at 5 6 7 8"}));
}

// Catches a save that writes a file its own load would refuse, and the limit off by one.
TEST_F(WorldFiles, SaveWritesAtMostTheBoxesLoadTakes) {
    const std::string path = folder + "/big.txt";
    game_command("tp -100 -100");
    for (int32_t i = 1; i < world_file_box_limit; ++i) {
        int32_t number = 0;
        ASSERT_EQ(box_create(i % 1000, i / 1000, 1, 1, number), BoxMade::box);
    }
    ASSERT_EQ(run("save " + path), Lines{"saved the player and 100000 boxes to " + path});
    ASSERT_EQ(run("load " + path), Lines{"loaded the player and 100000 boxes from " + path});
    game_command("box 0 -50 1 1");
    EXPECT_EQ(run("save " + folder + "/bigger.txt"),
              Lines{"save: " + folder + "/bigger.txt: more than 100000 boxes, which load refuses"});
    EXPECT_FALSE(std::filesystem::exists(folder + "/bigger.txt"));
}

// Catches exec going on past a refusal, running the commands a file may not hold, and a refusal shown
// without its file and line.
TEST_F(WorldFiles, ExecRunsLinesUntilTheFirstRefusal) {
    const std::string path = folder + "/level.txt";
    file_write(path, "# setup\nbox 100 100 5 5\n\nbox 60 60 5 5\nbox 120 120 5 5\n");
    EXPECT_EQ(run("exec " + path),
              (Lines{"box 2 at 100 100 5 5", "exec: " + path + ":4: box: 60 60 5 5 overlaps the player"}));
    EXPECT_EQ(snapshot().boxes.size(), 2u);
    for (const char* forbidden : {"quit", "load x", "exec x", "record x", "play x"}) {
        file_write(path, std::string("tp 0 0\n") + forbidden + "\ntp 1 1\n");
        const std::string word = std::string(forbidden).substr(0, std::string(forbidden).find(' '));
        EXPECT_EQ(run("exec " + path),
                  (Lines{"player at 0 0", "exec: " + path + ":2: " + word + " is not run from a file"}));
    }
    file_write(path, "tp 7 7\nbox 1 1 1 1\npos");
    EXPECT_EQ(run("exec   " + path + "  "),
              (Lines{"player at 7 7", "box 3 at 1 1 1 1", "player at 7 7", "ran 3 commands from " + path}));
    EXPECT_EQ(run("exec"), Lines{"usage: exec FILE"});
}

// Files a user's editing might make: a good world as it is, or with words put in, bytes cut out or
// pieces repeated.
// Catches any rule the loader keeps differently from the model: a refusal of a good file, a bad file
// taken, or a world half changed.
TEST(WorldFileProperty, EditedFilesLoadAsTheModelSaysOrChangeNothing) {
    std::mt19937 random(2121);
    const std::string base =
        "\xEF\xBB\xBF# NOVRA world 1\r\ntp 20 150\n# note\n\nbox 30 30 30 30\nbox 150 100 20 20\nbox "
        "-2147483648 "
        "0 1 2147483647\n  box 1 2 3 4  \n";
    const char* pieces[] = {" ", "\n", "\r\n", "#", "tp", "box", "0", "-", "12", "2147483648", "\0", "x"};
    for (int32_t round = 0; round < 3000; ++round) {
        std::string text = base;
        for (int32_t edit = int32_t(random() % 3); edit > 0; --edit) {
            const size_t at = random() % (text.size() + 1);
            switch (random() % 3) {
                case 0: {
                    const size_t piece = random() % 12;  // piece 10 is the NUL byte
                    text.insert(at, pieces[piece], piece == 10 ? 1 : std::strlen(pieces[piece]));
                    break;
                }
                case 1:
                    text.erase(at, random() % 6);
                    break;
                default:
                    text.insert(at, text.substr(random() % text.size(), random() % 20));
                    break;
            }
        }
        world_file_model_start();
        ASSERT_NO_THROW(world_file_model_load(text)) << testing::PrintToString(text);
    }
}

}  // namespace
}  // namespace novra
